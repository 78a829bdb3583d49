#pragma once

// Numbers of the program's resources: strings, pictures, page files, menus and commands.
namespace Res {

// Strings
constexpr int IDR_MAINFRAME = 128;       // program title, also the icon
constexpr int IDS_OLE_INIT_FAILED = 100; // kept for the string table; nothing to initialise here
constexpr int AFX_IDS_APP_TITLE = 57344; // application name

} // namespace Res
