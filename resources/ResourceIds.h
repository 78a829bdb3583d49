#pragma once

// Numbers of the program's resources: strings, pictures, page files, menus and commands.
namespace Res {

// Strings
constexpr int IDR_MAINFRAME = 128;       // program title, also the icon
constexpr int IDS_OLE_INIT_FAILED = 100; // kept for the string table; nothing to initialise here
constexpr int IDS_PROGRAM_NOTICE = 101;  // the notice of the program information window
constexpr int AFX_IDS_APP_TITLE = 57344; // application name

// The commands of the tray menu and the book menu (both menus are built in code).
constexpr int ID_TRAY_OPEN = 32779;
constexpr int ID_ALWAYS_ON_TOP = 32781;
constexpr int ID_LOGOUT = 32782;
constexpr int ID_SETTINGS = 32783;
constexpr int ID_HELP_DESK = 32784;
constexpr int ID_PROGRAM_INFO = 32785;
constexpr int ID_EXIT = 32786;
constexpr int ID_LOAD_BOOK = 32793;
constexpr int ID_BOOK_DETAILS = 32794;
constexpr int ID_CLEAR_MARKS = 32795;
constexpr int ID_WEB_LIBRARY = 32796;
constexpr int ID_WEB_BOOKS = 32807;
constexpr int ID_WEB_COMMUNITY = 32809;

// Title-bar buttons of the main view.
constexpr int IDC_TOPMOST_BUTTON = 103;
constexpr int IDC_MINIMIZE_BUTTON = 104;
constexpr int IDC_MAXIMIZE_BUTTON = 105;
constexpr int IDC_CLOSE_BUTTON = 106;

} // namespace Res

// Pictures (resources/artwork draws them; Artwork loads them by number). Sizes in pixels.
namespace Res {

// Title bar of the main view: 14 x 14 buttons (normal, pressed, hover), strips, logo and grip.
constexpr int IDB_TOPMOST_OFF_NORMAL = 362;
constexpr int IDB_TOPMOST_ON_NORMAL = 364;
constexpr int IDB_RESTORE_NORMAL = 365;
constexpr int IDB_MINIMIZE_NORMAL = 366;
constexpr int IDB_MAXIMIZE_NORMAL = 367;
constexpr int IDB_CLOSE_NORMAL = 368;
constexpr int IDB_TOPMOST_OFF_PRESSED = 369;
constexpr int IDB_TOPMOST_ON_PRESSED = 371;
constexpr int IDB_RESTORE_PRESSED = 372;
constexpr int IDB_MINIMIZE_PRESSED = 373;
constexpr int IDB_MAXIMIZE_PRESSED = 374;
constexpr int IDB_CLOSE_PRESSED = 375;
constexpr int IDB_TOPMOST_OFF_HOVER = 376;
constexpr int IDB_TOPMOST_ON_HOVER = 378;
constexpr int IDB_RESTORE_HOVER = 379;
constexpr int IDB_MINIMIZE_HOVER = 380;
constexpr int IDB_MAXIMIZE_HOVER = 381;
constexpr int IDB_CLOSE_HOVER = 421;
constexpr int IDB_TITLE_LOGO = 382;   // 123 x 17, white, transparent background
constexpr int IDB_TITLE_STRIP = 383;  // 1 x 26, stretched
constexpr int IDB_SIZE_GRIP = 385;    // 8 x 8
constexpr int IDB_BOTTOM_STRIP = 386; // 1 x 10, stretched

// Sign-in panel: logo 160 x 29; sign-in button 80 x 27 (no disabled look).
constexpr int IDB_SIGNIN_LOGO = 431;
constexpr int IDB_SIGNIN_PRESSED = 437;
constexpr int IDB_SIGNIN_NORMAL = 438;
constexpr int IDB_SIGNIN_HOVER = 439;

// Book list panel: back and load buttons, 54 x 25.
constexpr int IDB_BACK_NORMAL = 441;
constexpr int IDB_BACK_DISABLED = 442;
constexpr int IDB_BACK_PRESSED = 443;
constexpr int IDB_BACK_HOVER = 444;
constexpr int IDB_LOAD_NORMAL = 445;
constexpr int IDB_LOAD_DISABLED = 446;
constexpr int IDB_LOAD_PRESSED = 447;
constexpr int IDB_LOAD_HOVER = 448;

// Player panel.
constexpr int IDB_SEPARATOR = 464;   // 3 x 19
constexpr int IDB_MENU_NORMAL = 465; // menu 54 x 24
constexpr int IDB_MENU_PRESSED = 466;
constexpr int IDB_MENU_HOVER = 467;
constexpr int IDB_MEMORISED_NORMAL = 468; // memorised 54 x 25
constexpr int IDB_MEMORISED_DISABLED = 469;
constexpr int IDB_MEMORISED_PRESSED = 470;
constexpr int IDB_MEMORISED_HOVER = 471;
constexpr int IDB_ORDER0_NORMAL = 472; // order button 58 x 25: card order
constexpr int IDB_ORDER0_PRESSED = 473;
constexpr int IDB_ORDER0_HOVER = 474;
constexpr int IDB_EXAMPLE_HIDDEN_NORMAL = 475; // part toggles 37 x 25
constexpr int IDB_EXAMPLE_HIDDEN_PRESSED = 476;
constexpr int IDB_EXAMPLE_HIDDEN_HOVER = 477;
constexpr int IDB_EXAMPLE_SHOWN_NORMAL = 478;
constexpr int IDB_EXAMPLE_SHOWN_PRESSED = 479;
constexpr int IDB_EXAMPLE_SHOWN_HOVER = 480;
constexpr int IDB_MEANING_HIDDEN_NORMAL = 481;
constexpr int IDB_MEANING_HIDDEN_PRESSED = 482;
constexpr int IDB_MEANING_HIDDEN_HOVER = 483;
constexpr int IDB_MEANING_SHOWN_NORMAL = 484;
constexpr int IDB_MEANING_SHOWN_PRESSED = 485;
constexpr int IDB_MEANING_SHOWN_HOVER = 486;
constexpr int IDB_HEADWORD_HIDDEN_NORMAL = 487;
constexpr int IDB_HEADWORD_HIDDEN_PRESSED = 488;
constexpr int IDB_HEADWORD_HIDDEN_HOVER = 489;
constexpr int IDB_HEADWORD_SHOWN_NORMAL = 490;
constexpr int IDB_HEADWORD_SHOWN_PRESSED = 491;
constexpr int IDB_HEADWORD_SHOWN_HOVER = 492;
constexpr int IDB_NEXT_NORMAL = 493; // next 24 x 25
constexpr int IDB_NEXT_DISABLED = 494;
constexpr int IDB_NEXT_PRESSED = 495;
constexpr int IDB_ORDER1_NORMAL = 496; // order button: sorted by headword
constexpr int IDB_ORDER1_PRESSED = 497;
constexpr int IDB_ORDER1_HOVER = 498;
constexpr int IDB_PLAY_NORMAL = 499; // play 44 x 49; its disabled look also serves the pause looks
constexpr int IDB_PLAY_DISABLED = 500;
constexpr int IDB_PLAY_PRESSED = 501;
constexpr int IDB_PLAY_HOVER = 502;
constexpr int IDB_PREV_NORMAL = 503; // previous 24 x 25
constexpr int IDB_PREV_DISABLED = 504;
constexpr int IDB_PREV_PRESSED = 505;
constexpr int IDB_PREV_HOVER = 506;
constexpr int IDB_ORDER2_NORMAL = 507; // order button: shuffled
constexpr int IDB_ORDER2_PRESSED = 508;
constexpr int IDB_ORDER2_HOVER = 509;
constexpr int IDB_PAUSE_NORMAL = 510; // play button while playing, 44 x 49
constexpr int IDB_PAUSE_PRESSED = 511;
constexpr int IDB_NEXT_HOVER = 512;
constexpr int IDB_PAUSE_HOVER = 515;
constexpr int IDB_CONTROL_BAR = 516; // 369 x 34, behind the player's buttons

// Program information dialog header, 240 x 66.
constexpr int IDB_INFO_HEADER = 518;

// The loading box's animation: GIF89a, 32 x 32, 31 frames of 50 ms.
constexpr int IDR_LOADING_GIF = 541;

// The program icon is IDR_MAINFRAME (128), 256 x 256.

} // namespace Res

// The card page and what it loads, served to the browser view at "res://<executable>/<number>" (page
// files) and "res://<executable>/GIF/<number>" (its pictures).
namespace Res {

constexpr int IDR_PAGE_HTML = 312;           // the card page
constexpr int IDR_PAGE_PROTOTYPE = 315;      // the script library the page script is built on
constexpr int IDR_PAGE_SCRIPT = 322;         // the page script
constexpr int IDR_PAGE_STYLE = 323;          // the page style sheet
constexpr int IDR_GIF_FONT_BIG = 536;        // larger text, 16 x 14
constexpr int IDR_GIF_FONT_SMALL = 537;      // smaller text, 16 x 14
constexpr int IDR_GIF_LISTEN = 538;          // listen, 20 x 18
constexpr int IDR_GIF_PICTURE_LOADING = 542; // placeholder while a card's picture loads, 64 x 48
constexpr int IDR_GIF_SPINNER = 543;         // spinner beside a loading message, 24 x 24

} // namespace Res
