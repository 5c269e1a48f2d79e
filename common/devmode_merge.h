// The DEVMODE merge: every DEVMODE that reaches the driver from outside (an application's, the
// printer's stored one, a converted one) is merged into a freshly built default record of the
// same model, field by field, and the result is validated against the model. Settings from
// outside are never rejected: each value is limited or replaced by a fixed value.
//
// Both libraries compile the merge. The rendering library's build (DRV_BUILD_UM) finds the model
// with its own lookup, keeps the colour-matching tables and the long-paper values in effect as
// the record carries them, has no user-defined papers (they fall back to the default paper), and
// drops a 1200-dpi job to 600 dpi when its page is longer than the 1200-dpi limits allow.
#pragma once
#include <windows.h>

#include "devmode.h"

// Merges src into dest and validates the result against the model.
//
// dest must be a complete record built by DrvDefaultDevmode; its szModelName selects the model.
// src may be any DEVMODEW: the merge reads its bytes 64..71 (versions and sizes) and then no
// byte at or beyond dmSize + dmDriverExtra, and at most the 4380 bytes of a driver record; what
// the source does not hold counts as zero. A source whose dmSize + dmDriverExtra does not reach
// past its own dmDriverExtra (fewer than 72 bytes) holds no settings: it merges as a source of
// zeros, so that dest still leaves as a merged record. A NULL source merges nothing (dest keeps
// what it holds). The private part is taken only from a source of this driver's layout (dmSize
// 220, dmDriverExtra 660 or more, versions 0x401 and 0x500) for the same model; every text field
// taken ends within its field.
//
// Returns FALSE only when the model of dest is not in the model table (dest then holds the form
// name, the display fields and, when the source was a record of this driver for the model, its
// private part); else TRUE. Writes the finisher-installed bit of the model's MODELINFO in the
// shared model table and reads the table without the library's lock.
BOOL DrvMergeDevmode(DRVDEVMODE* dest, const DEVMODEW* src);

// Copies the record at src (dmSize + dmDriverExtra bytes, at most a whole DRVDEVMODE) into out,
// zero beyond what it holds. Reads src byte-wise, so a record at any address of a spooler's
// buffer can be read. FALSE, with nothing written, for a NULL src.
BOOL DrvCopyDevmodeRecord(const DEVMODEW* src, DRVDEVMODE* out);

// Whether the record at dm is a whole record of this driver's size whose data-file stamp
// (DATAFILE_STAMPS words) equals stamp. Reads dm byte-wise, as DrvCopyDevmodeRecord does.
BOOL DrvIsCurrentDevmode(const DEVMODEW* dm, const WORD* stamp);

// Paper 82 (the double postcard, turned) keeps the smaller of its two sizes as its length.
void DrvSwapShortPaper(DRVDEVMODE* dm);

// Checks the private fields of dm that depend on the model's papers, sources, media and
// finisher: validation code, long paper, secure data, trays, bins and finishing. extra is dm's
// private part (NULL stands for it). A model that is not in the model table leaves the fields
// that need it as they are.
void DrvValidatePrivateDevmode(DRVDEVMODE* dm, DRVEXTRA* extra);
