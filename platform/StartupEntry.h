#pragma once

#include <QString>

// The run-at-login entry: an XDG autostart file "lexicarta-desktop.desktop" in the user's autostart
// folder that starts this executable without arguments, with the installed program icon.
namespace StartupEntry {

// Writes (on) or removes (off) the entry; failures are silent.
void SetStartWithPC(bool on);
// True when the entry exists, whatever it holds.
bool IsStartWithPC();

// Where the entry lives, and the Exec value for a program path (quoted as desktop entries require).
QString EntryPath();
QString ExecValue(const QString& program);

} // namespace StartupEntry

using StartupEntry::IsStartWithPC;
using StartupEntry::SetStartWithPC;
