#include "layout.h"

namespace tolvane {
namespace {

constexpr FontSpec kWin = kWindowFont;
constexpr FontSpec kArialTitle = {L"Arial", -16, true, kEastEuropeCharset, kClWindowText};
constexpr FontSpec kArialText = {L"Arial", -13, false, kEastEuropeCharset, kClWindowText};
constexpr FontSpec kTahoma13 = {L"Tahoma", -13, false, kDefaultCharset, kClWindowText};
constexpr FontSpec kTahoma13Bold = {L"Tahoma", -13, true, kDefaultCharset, kClWindowText};
constexpr FontSpec kTahoma11Bold = {L"Tahoma", -11, true, kDefaultCharset, kClWindowText};
constexpr FontSpec kTahoma19Bold = {L"Tahoma", -19, true, kDefaultCharset, kClWindowText};
constexpr FontSpec kLinkFont = {L"Tahoma", -11, false, kDefaultCharset, kClBlue};
constexpr FontSpec kNoteFont = {L"Tahoma", -13, false, kDefaultCharset, kClBlack};

constexpr Kind kPage = Kind::Page;
constexpr Kind kLabel = Kind::Label;
constexpr Kind kLink = Kind::Link;
constexpr Kind kMemo = Kind::Memo;
constexpr Kind kButton = Kind::Button;
constexpr Kind kCheck = Kind::CheckBox;
constexpr Kind kRadio = Kind::Radio;
constexpr Kind kGroup = Kind::GroupBox;
constexpr Kind kEdit = Kind::Edit;
constexpr Kind kPicture = Kind::Picture;
constexpr Kind kBevel = Kind::Bevel;
constexpr Asset kNone = Asset::None;
constexpr wchar_t kReadLicence[] = L"Please read the following license agreement carefully.";
constexpr wchar_t kAgreeNext[] = L"(I agree) Next >";

// clang-format off
const std::vector<LayoutRow> kLayout = {
// name                   kind     parent        left top  width height  text                        font           flags            tab handler                       asset
{L"Image1",               kPicture, nullptr,        0,   0, 550,  75, nullptr,                          kWin,          kAlignTop,       -1, nullptr,                      Asset::Banner},
{L"panel5",               kPage,    nullptr,        0,  75, 550, 375, L"Wait a moment please ...",      kTahoma19Bold, 0,                4, nullptr,                      kNone},
{L"panel3",               kPage,    nullptr,        0,  75, 550, 375, nullptr,                          kWin,          0,                2, nullptr,                      kNone},
{L"panel2",               kPage,    nullptr,        0,  75, 550, 375, nullptr,                          kWin,          0,                3, nullptr,                      kNone},
{L"panel1",               kPage,    nullptr,        0,  75, 550, 375, nullptr,                          kWin,          0,                1, nullptr,                      kNone},
{L"panel4",               kPage,    nullptr,        0,  75, 550, 375, nullptr,                          kWin,          0,                0, nullptr,                      kNone},

// Page 1: the product's licence agreement.
{L"Label5",               kLabel,   L"panel1",     16,  16, 194,  19, L"Tolvane Chat first startup:",   kArialTitle,   0,               -1, nullptr,                      kNone},
{L"Label6",               kLabel,   L"panel1",     16,  40, 310,  16, kReadLicence,                     kArialText,    0,               -1, nullptr,                      kNone},
{L"Memo1",                kMemo,    L"panel1",     16,  70, 521, 208, nullptr,                          kWin,          kVerticalScrollBar, 0, nullptr,                   Asset::Eula},
{L"Memo3",                kMemo,    L"panel1",     16, 290, 519,  41,
    L"The Tolvane Chat multimedia videoconferencing framework (TQXAR) presents the first real suitable solution \r\n"
    L"for managing and mastering live audio-video communication over RTMP protocol (used by Adobe Flash),  \r\n"
    L"from such programming languages as PHP, ASP.NET (C#), Java, C++, ... ",
                                                                                                        kWin,          kBorderless,      2, nullptr,                      kNone},
{L"next1",                kButton,  L"panel1",    410, 335, 115,  25, kAgreeNext,                       kWin,          0,                1, L"next1Click",                kNone},

// Page 2: the media server's licence agreement.
{L"Label7",               kLabel,   L"panel2",     16,  16, 219,  16, L"Wowza media server PRO 10 license.", kArialText, 0,               -1, nullptr,                      kNone},
{L"Label8",               kLabel,   L"panel2",     16,  40, 310,  16, kReadLicence,                     kArialText,    0,               -1, nullptr,                      kNone},
{L"Memo2",                kMemo,    L"panel2",     16,  70, 521, 208, nullptr,                          kWin,          kVerticalScrollBar, 0, nullptr,                   Asset::MediaLicence},
{L"next2",                kButton,  L"panel2",    410, 335, 115,  25, kAgreeNext,                       kWin,          0,                1, L"next2Click",                kNone},
{L"back1",                kButton,  L"panel2",    330, 335,  75,  25, L"< Back",                        kWin,          0,                2, L"back1Click",                kNone},

// Page 3: Java installation.
{L"Label12",              kLabel,   L"panel3",     16,  15, 129,  19, L"Java installation:",            kArialTitle,   0,               -1, nullptr,                      kNone},
{L"Memo4",                kMemo,    L"panel3",     14,  48, 511,  65,
    L"Before you start using the Tolvane Chat multimedia videoconferencing framework, \r\n"
    L"please make sure that the Java Runtime Environment (JRE) version 1.6 or above is \r\n"
    L"installed and configured on the server machine (this PC).",
                                                                                                        kTahoma13,     kBorderless,      2, nullptr,                      kNone},
{L"Image7",               kPicture, L"panel3",     74, 107,  64,  64, nullptr,                          kWin,          0,               -1, nullptr,                      Asset::Java},
{L"Button2",              kButton,  L"panel3",    144, 140, 229,  31, L"Install Java Runtime Environment", kTahoma11Bold, 0,              3, L"Button2Click",              kNone},
{L"currentjavaversion",   kMemo,    L"panel3",     14, 180, 511,  82, nullptr,                          kTahoma13,     kBorderless,      5, nullptr,                      kNone},
{L"Memo5",                kMemo,    L"panel3",     14, 268, 511,  33,
    L"NOTE: please make sure that the JAVA_HOME system environment variable is set \r\n"
    L"properly and points to the directory where Java (JRE) was installed.",
                                                                                                        kNoteFont,     kBorderless,      4, nullptr,                      kNone},
{L"setjavahome",          kCheck,   L"panel3",     16, 303, 368,  17, L"Automatically set JAVA_HOME system environment variable", kTahoma13, 0, 6, nullptr,           kNone},
{L"back2",                kButton,  L"panel3",    330, 335,  75,  25, L"< Back",                        kWin,          0,                0, L"back2Click",                kNone},
{L"next3",                kButton,  L"panel3",    411, 335, 115,  25, L"(JRE installed) Next >",        kWin,          0,                1, L"next3Click",                kNone},

// Page 4: the control page.
{L"Label3",               kLabel,   L"panel4",     10,   6, 154,  16, L"Start Tolvane Flash Chat",      kTahoma13Bold, 0,               -1, nullptr,                      kNone},
{L"Label2",               kLabel,   L"panel4",     10,  29,  57,  13, L"Edit Apache",                   kWin,          0,               -1, nullptr,                      kNone},
{L"Label15",              kLink,    L"panel4",     73,  29,  51,  13, L"httpd.conf",                    kLinkFont,     0,               -1, L"Label15Click",              kNone},
{L"Label14",              kLabel,   L"panel4",     27,  48,  40,  13, L"Edit PHP",                      kWin,          0,               -1, nullptr,                      kNone},
{L"Label16",              kLink,    L"panel4",     73,  48,  32,  13, L"php.ini",                       kLinkFont,     0,               -1, L"Label16Click",              kNone},
{L"autoopenmainpage",     kCheck,   L"panel4",    197,  47, 127,  17, L"Auto open main page",           kWin,          kTicked,          3, nullptr,                      kNone},
{L"startservers",         kButton,  L"panel4",    330,  32, 199,  33, L"Start Tolvane Chat Server",     kTahoma11Bold, 0,                4, L"startserversClick",         kNone},
{L"Bevel1",               kBevel,   L"panel4",      0,  72, 550,   3, nullptr,                          kWin,          0,               -1, nullptr,                      kNone},
{L"Label1",               kLabel,   L"panel4",     10,  85, 131,  16, L"Select technologies:",          kTahoma13Bold, 0,               -1, nullptr,                      kNone},
{L"GroupBox1",            kGroup,   L"panel4",      8, 109, 105,  65, L"Web server",                    kWin,          0,                0, nullptr,                      kNone},
{L"Image2",               kPicture, L"GroupBox1",   8,  25,  24,  24, nullptr,                          kWin,          0,               -1, nullptr,                      Asset::Apache},
{L"apachecb",             kRadio,   L"GroupBox1",  38,  30,  65,  17, L"Apache",                        kWin,          kTicked,          0, nullptr,                      kNone},
{L"GroupBox2",            kGroup,   L"panel4",    128, 109, 209,  65, L"Media server",                  kWin,          0,                1, nullptr,                      kNone},
{L"Image3",               kPicture, L"GroupBox2",  16,  25,  24,  24, nullptr,                          kWin,          0,               -1, nullptr,                      Asset::Wowza},
{L"wowzacb",              kRadio,   L"GroupBox2",  46,  31,  65,  17, L"Wowza",                         kWin,          kTicked,          1, nullptr,                      kNone},
{L"Image4",               kPicture, L"GroupBox2", 117,  23,  24,  24, nullptr,                          kWin,          0,               -1, nullptr,                      Asset::Red5},
{L"red5cb",               kRadio,   L"GroupBox2", 147,  29,  65,  17, L"Red5",                          kWin,          kDisabled,        0, nullptr,                      kNone},
{L"GroupBox3",            kGroup,   L"panel4",    346, 109, 183,  65, L"Platform",                      kWin,          0,                2, nullptr,                      kNone},
{L"Image5",               kPicture, L"GroupBox3",  17,  25,  24,  24, nullptr,                          kWin,          0,               -1, nullptr,                      Asset::Php},
{L"phpcb",                kRadio,   L"GroupBox3",  47,  30,  42,  17, L"PHP",                           kWin,          kTicked,          0, nullptr,                      kNone},
{L"Image6",               kPicture, L"GroupBox3", 100,  25,  24,  24, nullptr,                          kWin,          0,               -1, nullptr,                      Asset::DotNet},
{L"csharpcb",             kRadio,   L"GroupBox3", 130,  30,  42,  17, L"C#",                            kWin,          0,                1, L"csharpcbClick",             kNone},
{L"Label13",              kLabel,   L"panel4",     16, 191,  64,  13, L"JAVA_HOME:",                    kWin,          0,               -1, nullptr,                      kNone},
{L"e1",                   kEdit,    L"panel4",     82, 188, 215,  21, nullptr,                          kWin,          0,                8, nullptr,                      kNone},
{L"savejavahome",         kButton,  L"panel4",    330, 184, 105,  25, L"set JAVA_HOME",                 kWin,          0,                9, L"savejavahomeClick",         kNone},
{L"back3",                kButton,  L"panel4",    446, 184,  83,  25, L"Install Java",                  kWin,          0,                7, L"back3Click",                kNone},
{L"Bevel2",               kBevel,   L"panel4",      0, 215, 550,   3, nullptr,                          kWin,          0,               -1, nullptr,                      kNone},
{L"Label4",               kLabel,   L"panel4",     10, 224,  85,  16, L"Development",                   kTahoma13Bold, 0,               -1, nullptr,                      kNone},
{L"Label17",              kLabel,   L"panel4",     10, 258, 294,  13, L"Start the development using Tolvane Chat Framework for PHP", kWin, 0,      -1, nullptr,                      kNone},
{L"startdevelopment",     kButton,  L"panel4",    363, 253, 172,  25, L"Start the development (PHP)",   kWin,          0,                5, L"startdevelopmentClick",     kNone},
{L"Label18",              kLabel,   L"panel4",     10, 289, 324,  13, L"See how the system works and trace errors using logger application", kWin, 0, -1, nullptr,                 kNone},
{L"viewlog",              kButton,  L"panel4",    363, 284, 112,  25, L"View log files",                kWin,          0,                6, L"viewlogClick",              kNone},
{L"Label19",              kLabel,   L"panel4",     10, 320, 280,  13, L"The information about Tolvane Chat Framework and its API", kWin, 0,        -1, nullptr,                      kNone},
{L"documentationbutton",  kButton,  L"panel4",    363, 315, 155,  25, L"Tolvane Chat documentation",    kWin,          0,               10, L"documentationbuttonClick",  kNone},
{L"Label20",              kLabel,   L"panel4",    411, 360, 135,  13, nullptr,                          kWin,          0,               -1, nullptr,                      Asset::Copyright},
};
// clang-format on

}  // namespace

const std::vector<LayoutRow>& FormLayout() { return kLayout; }

}  // namespace tolvane
