// String ids of the string library. The paper ids are those of the built-in paper-string table
// (the display string of each paper of the common paper file), the source, media and paper-type
// ids those of the built-in source, media and paper-type tables.
#pragma once

#define IDS_PAPER_A4           300
#define IDS_PAPER_A5           301
#define IDS_PAPER_A6           302
#define IDS_PAPER_B5           303
#define IDS_PAPER_CUSTOM       304
#define IDS_PAPER_LETTER       305
#define IDS_PAPER_LEGAL        306
#define IDS_PAPER_FOLIO        307
#define IDS_PAPER_EXECUTIVE    308
#define IDS_PAPER_POSTCARD     309
#define IDS_PAPER_CHOU3        311
#define IDS_PAPER_CHOU4        312
#define IDS_PAPER_YOU4         313
#define IDS_PAPER_CUSTOM_FIN   314
#define IDS_PAPER_ENV_DL       315
#define IDS_PAPER_ENV_C5       316
#define IDS_PAPER_ENV_10       317
#define IDS_PAPER_USER         320
#define IDS_PAPER_ENV_MONARCH  321
#define IDS_PAPER_ENV_9        322
#define IDS_PAPER_ENV_C4       323
#define IDS_PAPER_A3           325
#define IDS_PAPER_B4           326
#define IDS_PAPER_TABLOID      329
#define IDS_PAPER_SRA3         342
#define IDS_PAPER_12X18        343
#define IDS_PAPER_SRA4         344
#define IDS_PAPER_INDEX_5X8    345
#define IDS_PAPER_LONG         352
#define IDS_PAPER_8K           354
#define IDS_PAPER_16K          355
#define IDS_PAPER_STATEMENT    362

#define IDS_SOURCE_TRAY1       200
#define IDS_SOURCE_TRAY2       201
#define IDS_SOURCE_MPT         202
#define IDS_SOURCE_MANUAL      203
#define IDS_SOURCE_TRAY3       204
#define IDS_SOURCE_TRAY4       209
#define IDS_SOURCE_TRAY5       210
#define IDS_SOURCE_AUTO        211

#define IDS_MEDIA_PLAIN        9800
#define IDS_MEDIA_THICK1       9801
#define IDS_MEDIA_THICK2       9802
#define IDS_MEDIA_TRANSPARENCY 9803
#define IDS_MEDIA_ENVELOPE     9804
#define IDS_MEDIA_LABELS       9805
#define IDS_MEDIA_RECYCLED     9806
#define IDS_MEDIA_COATED       9807
#define IDS_MEDIA_GLOSSY       9808
#define IDS_MEDIA_POSTCARD     9809
#define IDS_MEDIA_LETTERHEAD   9810
#define IDS_MEDIA_COLOUR       9811
#define IDS_MEDIA_BOND         9814
#define IDS_MEDIA_THICK3       11534
#define IDS_MEDIA_THIN         11535

// Paper types, each beside the paper-type id it names.
#define IDS_PAPERTYPE_THIN          1300  // 1
#define IDS_PAPERTYPE_PLAIN_LIGHT   1301  // 2
#define IDS_PAPERTYPE_PLAIN         1302  // 3
#define IDS_PAPERTYPE_PLAIN_HEAVY   1303  // 4
#define IDS_PAPERTYPE_THICK1        1304  // 5
#define IDS_PAPERTYPE_THICK4        1305  // 13
#define IDS_PAPERTYPE_TRANSPARENCY  1306  // 6
#define IDS_PAPERTYPE_THICK3        1308  // 12
#define IDS_PAPERTYPE_THICK2        1309  // 7
#define IDS_PAPERTYPE_LABELS        1311  // 9
#define IDS_PAPERTYPE_LABELS_THICK  1312  // 10
#define IDS_PAPERTYPE_USER1         1313  // 19
#define IDS_PAPERTYPE_PRINTER       1314  // 0
#define IDS_PAPERTYPE_GLOSSY        1315  // 11
#define IDS_PAPERTYPE_USER2         1316  // 20
#define IDS_PAPERTYPE_USER3         1317  // 21
#define IDS_PAPERTYPE_USER4         1318  // 22
#define IDS_PAPERTYPE_USER5         1319  // 23
#define IDS_PAPERTYPE_GLOSSY_MEDIUM 1322  // 24
#define IDS_PAPERTYPE_GLOSSY_XHEAVY 1323  // 25
#define IDS_PAPERTYPE_GLOSSY_HEAVY  1324  // 26
#define IDS_PAPERTYPE_THICK5        1325  // 27
#define IDS_PAPERTYPE_USER6         1326  // 28
#define IDS_PAPERTYPE_USER7         1327  // 29
#define IDS_PAPERTYPE_USER8         1328  // 30
#define IDS_PAPERTYPE_USER9         1329  // 31
#define IDS_PAPERTYPE_USER10        1330  // 32

#define IDS_UNIT_TEXT          700
#define IDS_FREESIZE_MM        2902
#define IDS_FREESIZE_INCH      2903

// Display names of the printing features, options and parameters that the PrintTicket provider
// describes to the print system.
#define IDS_PT_OFF             20001
#define IDS_PT_ON              20002
#define IDS_PT_PAPER_SIZE      20011
#define IDS_PT_PAPER_SOURCE    20012
#define IDS_PT_MEDIA_TYPE      20013
#define IDS_PT_DUPLEX          20090
#define IDS_PT_RESOLUTION      20091
#define IDS_PT_RES_600         20092
#define IDS_PT_RES_600X1200    20093
#define IDS_PT_RES_600_L4      20094
#define IDS_PT_COPIES          20101
#define IDS_PT_COLLATE         20102
#define IDS_PT_ORIENTATION     20103
#define IDS_PT_PORTRAIT        20104
#define IDS_PT_LANDSCAPE       20105
#define IDS_PT_SCALING         20108
#define IDS_PT_COLOR_MODE      20135
#define IDS_PT_COLOR           20136
#define IDS_PT_GRAYSCALE       20137
#define IDS_PT_RES_300         20190
#define IDS_PT_RES_1200        20191
#define IDS_PT_RES_1200X2400   20192
#define IDS_PT_RES_1200_L4     20193
#define IDS_PT_RES_600X2400    20194
#define IDS_PT_RES_600_L16     20195
#define IDS_PT_RES_600_L32     20196
#define IDS_PT_RES_1200X600_L16 20197
#define IDS_PT_ONE_SIDED       4700
#define IDS_PT_LONG_EDGE       4701
#define IDS_PT_SHORT_EDGE      4702
