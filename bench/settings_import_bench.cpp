// Time of importing the shipped user papers, long papers and watermarks into a settings INI, as
// the first job after the caches change does, against the number of entries: the user's own
// entries (many in the settings INI, few shipped) and the shipped ones (many shipped, few of the
// user's). Each operation runs on a fresh copy of the same files; the table gives the minimum
// and the median of the runs and the median per entry, and the last column that per-entry time
// against the smallest size's (about 1 when the time grows linearly).
//
// Usage: bench_settings_import.exe [--runs N] [entries ...]   (default: 5 runs, 1000 2000 4000 10000)
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "module.h"
#include "settings_import.h"
#include "test_files.h"

namespace {

constexpr int kFew = 10;

std::string Section(const std::string& name, const std::string& lines) { return "[" + name + "]\r\n" + lines; }

std::string WatermarkKey(int number)
{
    char key[16];
    snprintf(key, sizeof key, "W%07d", number);
    return key;
}

// A paper section of n entries from id first on: its count, its list and its values.
std::string PaperSection(const char* name, int first, int n, const char* value)
{
    std::string list, values;
    for (int id = first; id < first + n; ++id) {
        list += std::to_string(id) + ",";
        values += "Paper" + std::to_string(id) + "=" + value + std::to_string(id) + ",2100,2970,1,0\r\n";
    }
    return Section(name, "numDefine=" + std::to_string(n) + "\r\nPaperEntry=" + list + "\r\n" + values);
}

std::string ShippedFile(int n)
{
    std::string list, values;
    for (int i = 1; i <= n; ++i) {
        list += std::to_string(i) + ",";
        values += "WMK" + std::to_string(i) + "=48,0,255,0,0,400,0,0,Arial,,shipped " + std::to_string(i) + ",,0,0,0,0\r\n";
    }
    return PaperSection("UserDefPaper", 276, n, "Shipped ") + PaperSection("UserDefLong", 536, n, "Shipped long ") +
           Section("WatermarkList", "numDefine=" + std::to_string(n) + "\r\nWatermarkEntry=" + list + "\r\n" + values);
}

std::string SettingsFile(int n)
{
    std::string watermarks;
    for (int i = 0; i < n; ++i)
        watermarks += WatermarkKey(1000000 + i) + "=48,0,255,0,0,400,0,0,Arial,,user " + std::to_string(i) + ",,0,0,0,0\r\n";
    return Section("Watermark", watermarks) + PaperSection("UserDefPaper", 20000, n, "User ") +
           PaperSection("UserDefLong", 40000, n, "User long ");
}

struct Operation {
    const char* name;
    void (*run)(LPCWSTR shippedFile);
};
const Operation kOperations[] = {
    {"user papers", [](LPCWSTR) { ImportUserDefPaperList(); }},
    {"long papers", [](LPCWSTR) { ImportUserDefLongList(); }},
    {"watermarks", [](LPCWSTR shipped) { ImportWatermarkList(shipped); }},
};

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Milliseconds of each run of one operation, every run on fresh files.
std::vector<double> Measure(const Operation& op, const std::string& shipped, const std::string& settings, int runs)
{
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        DriverFolder folder;
        const std::wstring shippedFile = folder.path() + L"USER.INI";
        const std::wstring ini = folder.path() + DRV_SETTINGS_INI;
        if (!folder.module() || !folder.write(DRV_MASTER_DATA_FILE, "[Common]\r\nInitDataFile3=USER.INI\r\n") ||
            !folder.write(L"USER.INI", shipped) || !WriteTextFile(ini, settings) || !DrvSetSettingsIniPath(ini.c_str())) {
            fprintf(stderr, "cannot stand up the files\n");
            return {};
        }
        LARGE_INTEGER from, to;
        QueryPerformanceCounter(&from);
        op.run(shippedFile.c_str());
        QueryPerformanceCounter(&to);
        times.push_back(Seconds(from, to) * 1000.0);
        DrvSetSettingsIniPath(L"");
    }
    std::sort(times.begin(), times.end());
    return times;
}

}  // namespace

int main(int argc, char** argv)
{
    int runs = 5;
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i) {
        if (strcmp(argv[i], "--runs") == 0 && i + 1 < argc)
            runs = std::max(1, atoi(argv[++i]));
        else if (atoi(argv[i]) > 0)
            sizes.push_back(atoi(argv[i]));
    }
    if (sizes.empty()) sizes = {1000, 2000, 4000, 10000};

    struct Case {
        const char* name;
        bool userMany;
    };
    const Case cases[] = {{"user's", true}, {"shipped", false}};
    printf("%-8s %-12s %8s %10s %10s %12s %8s\n", "many", "operation", "entries", "min ms", "median ms", "us/entry", "ratio");
    for (const Case& c : cases)
        for (const Operation& op : kOperations) {
            double firstPerEntry = 0;
            for (int n : sizes) {
                const std::vector<double> times =
                    Measure(op, ShippedFile(c.userMany ? kFew : n), SettingsFile(c.userMany ? n : kFew), runs);
                if (times.empty()) return 1;
                const double median = times[times.size() / 2];
                const double perEntry = median * 1000.0 / n;
                if (firstPerEntry == 0) firstPerEntry = perEntry;
                printf("%-8s %-12s %8d %10.2f %10.2f %12.2f %8.2f\n", c.name, op.name, n, times.front(), median, perEntry,
                       perEntry / firstPerEntry);
                fflush(stdout);
            }
        }
    return 0;
}
