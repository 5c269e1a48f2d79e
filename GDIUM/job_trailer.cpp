// The job trailer and the pre-print information.
#include "job_trailer.h"

#include <cstring>
#include <initializer_list>

#include "devmode.h"
#include "emit.h"
#include "escape.h"
#include "format.h"
#include "output.h"
#include "pdev.h"

namespace {

const char kUel[] = "\033%-12345X";
const char kResetPrinter[] = "\033E";
const char kReadyMessage[] = "@PJL RDYMSG DISPLAY = \"\"\n";
// The job's end is named "End " whatever the document is called.
const char kEndOfJob[] = "@PJL EOJ NAME = \"End \"\n";
const char kAccessControlEnd[] = "@PJL EOJ\r\n";
const char kPrePrintHead[] = "@PJL COMMENT PREPRINTINFO : ";

constexpr WORD JOBTYPE_SECURE = 2;
// wColor of a model without colour settings: neither office mode nor toner saving applies.
constexpr WORD COLOR_NOT_APPLICABLE = 8;

void Text(PDEV* pdev, const char* text) { SpoolWriteStrings(pdev, text, nullptr, nullptr); }

// Writes one comment line: head, "KEY=", value, line feed.
void Item(PDEV* pdev, const char* key, const char* value)
{
    char line[64];
    FormatString(line, sizeof line, "%s%s=", kPrePrintHead, key);
    SpoolWriteStrings(pdev, line, "\n", value);
}

void NumberItem(PDEV* pdev, const char* key, LONG number)
{
    char value[PREPRINT_VALUE_BYTES];
    FormatString(value, sizeof value, "%d", number);
    Item(pdev, key, value);
}

// Tiles of a poster page: the preset count, or the custom grid when the preset is -1.
LONG PosterTiles(const DRVEXTRA& ext)
{
    if (ext.dwPosterTiles == -1) return static_cast<LONG>(ext.dwPosterX * ext.dwPosterY);
    return ext.dwPosterTiles;
}

}  // namespace

void WritePrePrintInfo(PDEV* pdev)
{
    const DEVMODEW& pub = pdev->devmode.dmPublic;
    const DRVEXTRA& ext = pdev->devmode.dmPrivate;

    // Copies: a collated multi-copy job is N sets of one copy; a library-encrypted or PIN-held
    // secure job is printed once from the printer's store.
    const LONG copies = static_cast<LONG>(pdev->copies);
    LONG quantity = 1, copiesEach = copies;
    if (ext.wJobType == JOBTYPE_SECURE && ext.wSecureMode < SECUREMODE_ICCARD) {
        copiesEach = 1;
    } else if (DrvGetCollate(&pdev->devmode) == 1 && copies > 1) {
        quantity = copies;
        copiesEach = 1;
    }
    NumberItem(pdev, "QTY", quantity);
    NumberItem(pdev, "COPIES", copiesEach);

    Item(pdev, "RENDERMODE", pub.dmColor == DMCOLOR_MONOCHROME ? "GRAYSCALE" : "COLOR");
    NumberItem(pdev, "PAPERSIZE",
               (ext.dwFitFlags & FITFLAG_ON) ? static_cast<LONG>(ext.dwFitPaper) : static_cast<LONG>(pub.dmPaperSize));

    const LONG tiles = PosterTiles(ext);
    const bool poster = ext.dwFinishingMode == FINISHINGMODE_POSTER;
    LONG pages = static_cast<LONG>(pdev->pageCount);
    // A poster sheet's tiles each start a page; a degenerate grid of no tiles leaves the count.
    if (poster && tiles != 0) pages /= tiles;
    NumberItem(pdev, "PRINTPAGES", pages);

    const char* layout = "";
    const char* duplex = "";
    LONG multipage = 0, spread = 0;
    switch (ext.dwFinishingMode) {
    case FINISHINGMODE_NORMAL:
        layout = "NORMAL";
        duplex = (pub.dmDuplex == DMDUP_VERTICAL || pub.dmDuplex == DMDUP_HORIZONTAL) ? "DUPLEX" : "SIMPLEX";
        multipage = static_cast<LONG>(ext.dwNupX * ext.dwNupY);
        spread = 1;
        break;
    case FINISHINGMODE_BOOKLET:
        layout = "BOOKLET";
        duplex = "DUPLEX";
        multipage = (ext.dwBookletFlags & BOOKLET_TWOUP) ? 2 : 1;
        spread = 1;
        break;
    case FINISHINGMODE_POSTER:
        layout = "POSTER";
        duplex = "SIMPLEX";
        multipage = 1;
        spread = tiles;
        break;
    default:
        break;
    }
    Item(pdev, "PRINTLAYOUT", layout);
    Item(pdev, "DUPLEX", duplex);
    NumberItem(pdev, "MULTIPAGE", multipage);
    NumberItem(pdev, "SPREADPAGE", spread);

    const bool colourSettings = ext.wColor != COLOR_NOT_APPLICABLE;
    Item(pdev, "OFFICEMODE", colourSettings && ext.wColorMode == 0 && ext.wColorDensity != 0 ? "ON" : "OFF");
    Item(pdev, "TONERSAVEMODE", colourSettings && ext.wTonerSave != 0 ? "ON" : "OFF");
}

BOOL WriteJobTrailer(PDEV* pdev)
{
    // The input window goes back to the whole page before the printer leaves HP-GL/2.
    SetHpglMode(pdev, TRUE);
    HpglInputWindow(pdev, nullptr);
    SetHpglMode(pdev, FALSE);
    Text(pdev, kResetPrinter);
    Text(pdev, kUel);
    Text(pdev, kReadyMessage);
    // The container closes a secure job and writes its pre-print information (EndSecureJob).
    if (pdev->devmode.dmPrivate.wSecureMode != 0) return TRUE;
    WritePrePrintInfo(pdev);
    Text(pdev, kEndOfJob);
    if (pdev->escItems[ESCITEM_ACCESSCTRL_DATA].data) Text(pdev, kAccessControlEnd);
    Text(pdev, kUel);
    return TRUE;
}

void AppendRasterEoj(PDEV* pdev)
{
    SPOOLBUFFER& block = pdev->rasterBlock;
    if (!block.start) return;
    for (const char* part : {kUel, kEndOfJob, kUel}) {
        const DWORD length = static_cast<DWORD>(strlen(part));
        memcpy(block.cursor, part, length);
        block.cursor += length;
        block.count += length;
    }
}
