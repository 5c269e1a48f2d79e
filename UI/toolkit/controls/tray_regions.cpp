// The paper-tray picture regions; see tray_regions.h.
#include "tray_regions.h"

#include <iterator>

#include "custom_controls.h"
#include "model_queries.h"

namespace {

constexpr WORD kSourceManualFeed = 4;
constexpr WORD kSourceAuto = 7;

// The tray polygons, in picture pixels. R6 and R20 are single points: the places of the
// automatic source, which has no area in the picture.
struct TRAYPOLYGON {
    int count;
    POINT points[14];
};
const TRAYPOLYGON kPolygons[] = {
    {4, {{35, 35}, {87, 40}, {87, 60}, {35, 53}}},                                                  // R1
    {4, {{41, 70}, {92, 79}, {92, 93}, {41, 84}}},                                                  // R2
    {4, {{41, 84}, {92, 93}, {92, 107}, {41, 97}}},                                                 // R3
    {4, {{41, 97}, {92, 107}, {92, 122}, {41, 111}}},                                               // R4
    {9, {{31, 35}, {87, 40}, {87, 60}, {35, 53}, {28, 45}, {29, 45}, {26, 42}, {26, 39}, {34, 40}}},  // R5
    {1, {{31, 34}}},                                                                                // R6
    {4, {{41, 29}, {83, 33}, {83, 50}, {41, 44}}},                                                  // R7
    {4, {{45, 58}, {87, 65}, {87, 76}, {45, 69}}},                                                  // R8
    {4, {{45, 69}, {87, 77}, {87, 88}, {45, 80}}},                                                  // R9
    {4, {{45, 80}, {87, 88}, {87, 101}, {45, 91}}},                                                 // R10
    {4, {{45, 91}, {87, 101}, {87, 112}, {45, 101}}},                                               // R11
    {4, {{45, 101}, {87, 112}, {87, 124}, {45, 112}}},                                              // R12
    {8, {{36, 28}, {49, 28}, {51, 30}, {83, 33}, {83, 49}, {41, 44}, {32, 33}, {41, 33}}},          // R13
    {14, {{135, 48}, {152, 48}, {156, 46}, {158, 46}, {159, 47}, {150, 50}, {152, 52}, {158, 50},
          {161, 50}, {161, 51}, {150, 56}, {147, 59}, {135, 59}, {135, 48}}},                       // R14
    {9, {{88, 67}, {134, 67}, {133, 75}, {119, 75}, {119, 76}, {102, 76}, {102, 75}, {89, 75}, {88, 67}}},  // R15
    {5, {{89, 75}, {133, 75}, {133, 83}, {89, 83}, {89, 75}}},                                      // R16
    {5, {{89, 83}, {133, 83}, {133, 91}, {89, 91}, {89, 93}}},                                      // R17
    {6, {{89, 91}, {133, 91}, {133, 98}, {132, 99}, {89, 99}, {89, 91}}},                           // R18
    {6, {{89, 98}, {133, 98}, {133, 106}, {132, 107}, {89, 107}, {89, 98}}},                        // R19
    {1, {{0, 0}}},                                                                                  // R20
    {4, {{43, 28}, {107, 39}, {105, 64}, {45, 50}}},                                                // R21
    {4, {{47, 60}, {104, 77}, {104, 87}, {47, 68}}},                                                // R22
    {4, {{48, 78}, {102, 96}, {102, 108}, {48, 87}}},                                               // R23
    {4, {{49, 97}, {100, 117}, {100, 127}, {49, 105}}},                                             // R24
    {13, {{42, 28}, {108, 39}, {105, 62}, {96, 68}, {78, 65}, {70, 66}, {54, 59}, {37, 64}, {27, 60},
          {39, 55}, {28, 53}, {34, 45}, {42, 43}}},                                                 // R25
    {4, {{49, 31}, {110, 43}, {108, 69}, {53, 54}}},                                                // R26
    {4, {{54, 63}, {106, 80}, {106, 93}, {54, 74}}},                                                // R27
    {4, {{56, 82}, {104, 100}, {104, 110}, {56, 91}}},                                              // R28
    {4, {{57, 99}, {103, 118}, {103, 126}, {57, 106}}},                                             // R29
    {14, {{49, 31}, {109, 44}, {108, 68}, {97, 77}, {81, 72}, {76, 73}, {58, 66}, {45, 72}, {36, 68},
          {47, 63}, {36, 59}, {42, 51}, {49, 48}, {49, 31}}},                                       // R30
};
static_assert(std::size(kPolygons) == 30);

// The selector values that have a column of their own; any other value takes the last column
// (the base picture and the list of selector 0).
constexpr UINT kSelectors[] = {0, 1, 2, 3, 4, 8, 9, 10, 11, 12};
constexpr int kColumns = static_cast<int>(std::size(kSelectors));
constexpr int kBaseColumn = kColumns;

int ColumnOf(UINT selector)
{
    for (int i = 0; i < kColumns; ++i) {
        if (kSelectors[i] == selector) return i;
    }
    return kBaseColumn;
}

// A region list of a set: polygon numbers ended by 0; BASE_LIST means the set's list of
// selector 0 shown with the base picture.
constexpr BYTE BASE_LIST = 0xFF;
struct TRAYSET {
    BYTE autoPolygon;  // the empty region in front of the lists when the set is used with auto
    BYTE lists[kColumns][6];
};
const TRAYSET kSetS0 = {6, {{1, 2}, {1, 2, 3}, {1, 2, 3, 4}, {BASE_LIST}, {BASE_LIST},
                            {5, 2}, {5, 2, 3}, {5, 2, 3, 4}, {BASE_LIST}, {BASE_LIST}}};
const TRAYSET kSetS2 = {6, {{7, 8}, {7, 8, 9}, {7, 8, 9, 10}, {7, 8, 9, 10, 11}, {7, 8, 9, 10, 11, 12},
                            {13, 8}, {13, 8, 9}, {13, 8, 9, 10}, {13, 8, 9, 10, 11}, {13, 8, 9, 10, 11, 12}}};
const TRAYSET kSetS3 = {20, {{14, 15}, {14, 15, 16}, {14, 15, 16, 17}, {14, 15, 16, 17, 18}, {14, 15, 16, 17, 18, 19},
                             {14, 15}, {14, 15, 16}, {14, 15, 16, 17}, {14, 15, 16, 17, 18}, {14, 15, 16, 17, 18, 19}}};
const TRAYSET kSetS6 = {20, {{21, 22}, {21, 22, 23}, {21, 22, 23, 24}, {BASE_LIST}, {BASE_LIST},
                             {25, 22}, {25, 22, 23}, {25, 22, 23, 24}, {BASE_LIST}, {BASE_LIST}}};
const TRAYSET kSetS7 = {20, {{26, 27}, {26, 27, 28}, {26, 27, 28, 29}, {BASE_LIST}, {BASE_LIST},
                             {30, 27}, {30, 27, 28}, {30, 27, 28, 29}, {BASE_LIST}, {BASE_LIST}}};

// Pictures of a family by column (a pair: without / with finishing output; 0 = the base
// picture), and the base picture.
struct TRAYFAMILY {
    UINT pictures[kColumns][2];
    UINT base;
};
const TRAYFAMILY kFamilyP0 = {{{321, 321}, {322, 322}, {323, 323}, {0, 0}, {0, 0},
                               {324, 324}, {325, 325}, {326, 326}, {0, 0}, {0, 0}}, 321};
const TRAYFAMILY kFamilyP2 = {{{380, 380}, {381, 381}, {382, 382}, {383, 383}, {384, 384},
                               {385, 385}, {386, 386}, {387, 387}, {388, 388}, {389, 389}}, 380};
const TRAYFAMILY kFamilyP3 = {{{301, 301}, {302, 307}, {303, 303}, {304, 308}, {305, 306},
                               {311, 311}, {312, 317}, {313, 313}, {314, 318}, {315, 316}}, 301};
const TRAYFAMILY kFamilyP5 = {{{411, 411}, {412, 417}, {413, 413}, {414, 418}, {415, 416},
                               {421, 421}, {422, 427}, {423, 423}, {424, 428}, {425, 426}}, 411};
const TRAYFAMILY kFamilyP6 = {{{431, 431}, {432, 432}, {433, 433}, {0, 0}, {0, 0},
                               {434, 434}, {435, 435}, {436, 436}, {0, 0}, {0, 0}}, 431};
const TRAYFAMILY kFamilyP7 = {{{437, 437}, {438, 438}, {439, 439}, {0, 0}, {0, 0},
                               {440, 440}, {441, 441}, {442, 442}, {0, 0}, {0, 0}}, 437};
// The printers of no family take P3's pictures with a base picture of their own.
constexpr UINT kOtherModelsBase = 300;

// How a set is used: alone (the automatic source not listed), with the automatic source's
// empty region in front, or short (with auto, without the last region).
enum class SetUse { Plain, WithAuto, Short };

// A model class: its pictures and set, how the set is used when the automatic source is listed
// without and with manual feed, and whether the finishing flag picks pictures.
struct TRAYCASE {
    WORD modelId;
    const TRAYFAMILY* family;
    const TRAYSET* set;
    SetUse autoWithoutManual;
    SetUse autoWithManual;
    bool finishing;
};
const TRAYCASE kCases[] = {
    {0, &kFamilyP0, &kSetS0, SetUse::WithAuto, SetUse::WithAuto, false},
    {2, &kFamilyP2, &kSetS2, SetUse::WithAuto, SetUse::WithAuto, false},
    {3, &kFamilyP3, &kSetS3, SetUse::WithAuto, SetUse::WithAuto, false},
    {5, &kFamilyP5, &kSetS3, SetUse::Short, SetUse::WithAuto, true},
    {6, &kFamilyP6, &kSetS6, SetUse::WithAuto, SetUse::WithAuto, false},
    {7, &kFamilyP7, &kSetS7, SetUse::WithAuto, SetUse::WithAuto, false},
};
const TRAYCASE kOtherModels = {0xFFFF, &kFamilyP3, &kSetS3, SetUse::Short, SetUse::WithAuto, true};

}  // namespace

TRAYPICTURE ChooseTrayPicture(WORD modelId, BOOL autoListed, BOOL manualListed, UINT selector, BOOL finishing)
{
    const TRAYCASE* c = &kOtherModels;
    for (const TRAYCASE& row : kCases) {
        if (row.modelId == modelId) c = &row;
    }
    const SetUse use = !autoListed ? SetUse::Plain : manualListed ? c->autoWithManual : c->autoWithoutManual;
    const int column = ColumnOf(selector);
    const BYTE* list = c->set->lists[column == kBaseColumn ? 0 : column];
    const bool base = column == kBaseColumn || list[0] == BASE_LIST;
    if (list[0] == BASE_LIST) list = c->set->lists[0];

    TRAYPICTURE result = {};
    if (base) {
        result.bitmapId = c == &kOtherModels ? kOtherModelsBase : c->family->base;
    } else {
        const UINT picture = c->family->pictures[column][c->finishing && finishing ? 1 : 0];
        result.bitmapId = picture ? picture : c->family->base;
    }
    if (use != SetUse::Plain) result.polygons[result.count++] = c->set->autoPolygon;
    for (int i = 0; i < 6 && list[i]; ++i) result.polygons[result.count++] = list[i];
    if (use == SetUse::Short) --result.count;
    return result;
}

const POINT* TrayPolygonPoints(int number, int* count)
{
    if (number < 1 || number > static_cast<int>(std::size(kPolygons))) return nullptr;
    *count = kPolygons[number - 1].count;
    return kPolygons[number - 1].points;
}

void SetTrayPictureRegions(HWND dialog, UINT selector, const MODELINFO* model, HMODULE dialogRes, DWORD finishing)
{
    const BOOL autoListed = DrvFindSourceIndex(model, kSourceAuto) >= 0;
    const BOOL manualListed = DrvFindSourceIndex(model, kSourceManualFeed) >= 0;
    const TRAYPICTURE picture = ChooseTrayPicture(model->wModelID, autoListed, manualListed, selector, finishing & 1);

    // One handle-sized slot per region.
    HGLOBAL block = GlobalAlloc(GHND, static_cast<SIZE_T>(picture.count) * sizeof(HRGN));
    HRGN* regions = block ? static_cast<HRGN*>(GlobalLock(block)) : nullptr;
    if (!regions) {
        if (block) GlobalFree(block);
        return;
    }
    for (int i = 0; i < picture.count; ++i) {
        int n = 0;
        const POINT* points = TrayPolygonPoints(picture.polygons[i], &n);
        // A place without area is an empty region.
        regions[i] = n >= 3 ? CreatePolygonRgn(points, n, WINDING) : CreateRectRgn(0, 0, 0, 0);
    }
    HWND control = GetDlgItem(dialog, IDC_TRAY_PICTURE);
    if (control) {
        SendMessageW(control, RSM_SETPICTURE, reinterpret_cast<WPARAM>(dialogRes), static_cast<LPARAM>(picture.bitmapId));
        SendMessageW(control, RSM_SETREGIONS, static_cast<WPARAM>(picture.count), reinterpret_cast<LPARAM>(regions));
    } else {
        for (int i = 0; i < picture.count; ++i) DeleteObject(regions[i]);
    }
    GlobalUnlock(block);
    GlobalFree(block);
}
