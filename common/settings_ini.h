// Profile files that several processes change (the settings INI above all): reading a value or a
// section whole, one read-modify-write under the file's machine-wide lock, and the settings
// INI's section names made from outside text (printer names).
#pragma once
#include <windows.h>

#include <cstddef>

#include "file_lock.h"
#include "heap_array.h"

// Reads a value of a profile file whole, however long (with key NULL: the names of all keys of
// the section, each terminated, the list ending in an empty name). A missing key or file reads
// as the empty text. Returns false when memory fails.
bool ReadProfileWhole(LPCWSTR section, LPCWSTR key, LPCWSTR file, HeapText& text);

// Reads the lines of a section whole ("key=value", each terminated, the list ending in an empty
// line), as the file holds them: values are not unquoted. A missing section reads as the empty
// list. Returns false when memory fails.
bool ReadProfileSection(LPCWSTR section, LPCWSTR file, HeapText& lines);

// How a profile file is written.
enum class ProfileEncoding {
    Keep,     // as the file is
    Unicode,  // UTF-16: a missing file is created holding only the byte-order mark FF FE, and an
              // ANSI file is first rewritten as UTF-16 (nothing of it lost), so that text outside
              // the ANSI code page is kept
};

// One read-modify-write of a profile file. From construction to destruction it holds the file's
// lock, and it has emptied this process's copy of the file, so what the profile functions read
// meanwhile is what is on disk; every change is made through it. A change that would leave the
// file as it is writes nothing. Without the lock (Ok() false) nothing is written.
class ProfileEdit {
public:
    ProfileEdit(LPCWSTR path, ProfileEncoding encoding);
    ~ProfileEdit();
    ProfileEdit(const ProfileEdit&) = delete;
    ProfileEdit& operator=(const ProfileEdit&) = delete;

    bool Ok() const { return lock_.Held(); }

    // Writes key = value into section unless the profile functions read that value there already.
    bool SetValue(LPCWSTR section, LPCWSTR key, LPCWSTR value);

    // Replaces the lines of section with lines (as ReadProfileSection gives them), unless they
    // equal current, the section's lines as read through this edit.
    bool SetSection(LPCWSTR section, const WCHAR* lines, size_t linesCch, const WCHAR* current, size_t currentCch);

private:
    // Makes the file ready for its first change (see ProfileEncoding).
    bool Prepare();

    LPCWSTR path_;
    FileLock lock_;
    ProfileEncoding encoding_;
    bool prepared_ = false;
};

// Empties this process's copy of a profile file, so that it is read from disk next.
void FlushProfileFile(LPCWSTR path);

// The settings-INI section of outside text (a printer name) followed by suffix. Text that holds
// nothing that could change the file's structure stands as it is, so a plain printer name keeps
// the section it always had. A character that could (control characters, '[' and ']', leading
// white space) and the ',' that no printer name holds are written as ',' and four upper-case hex
// digits of the UTF-16 unit: one section per name, none that another name or a plain name has.
// FALSE (out emptied) when text is empty or the section does not fit cchOut characters.
BOOL SettingsSectionName(LPCWSTR text, LPCWSTR suffix, LPWSTR out, size_t cchOut);
