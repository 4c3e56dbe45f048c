// Resource identifiers of TolvaneChat.exe, shared by TolvaneChat.rc and the program's code.
#ifndef TOLVANE_RESOURCE_IDS_H
#define TOLVANE_RESOURCE_IDS_H

// The program's icon, a named resource: 16, 20, 24, 28, 32, 40, 48, 56, 64 and 128 px with 32-bit
// colour (all but 16, 32 and 48 PNG-coded) and 32 px with 256 colours. The .rc file names it MAINICON itself.
#define IDI_MAINICON L"MAINICON"

// Icons of the pictures on the pages, 32-bit colour with alpha: one image for a screen at 100 %
// (BMP-coded) and one each for 125, 150, 175 and 200 % (PNG-coded), of those sizes times the scale.
#define IDI_APACHE 101 /* 24 x 24 */
#define IDI_WOWZA 102  /* 24 x 24 */
#define IDI_RED5 103   /* 24 x 24 */
#define IDI_PHP 104    /* 24 x 24 */
#define IDI_DOTNET 105 /* 24 x 24 */
#define IDI_JAVA 106   /* 64 x 64 */

// RCDATA: the banner (progressive JPEG, 550 x 75) and three ASCII texts, lines ending in LF.
#define IDR_BANNER 201
// ... and the banner drawn for screens at 125, 150, 175, 200 and 250 %, its size times the scale.
#define IDR_BANNER_125 205
#define IDR_BANNER_150 206
#define IDR_BANNER_175 207
#define IDR_BANNER_200 208
#define IDR_BANNER_250 209
#define IDR_EULA 202
#define IDR_MEDIA_SERVER_LICENCE 203
#define IDR_COPYRIGHT 204

#endif
