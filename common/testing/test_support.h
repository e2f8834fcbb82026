// Helpers shared by the test binaries.
#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <cstdio>
#include <functional>
#include <string>

class QAction;
class QMenu;
class QMenuBar;

namespace common::testing {

// Where the built executables are ($CABINET_BIN_DIR, else next to the test binary).
QString BinDir();

// "31 00 CE" -> bytes; whitespace between bytes optional.
QByteArray Hex(const char* text);
// Bytes -> "31 00 CE".
QString ToHex(const QByteArray& bytes);

// Everything written to a temporary FILE so far (it is flushed and rewound first).
std::string ReadBack(std::FILE* file);

// Runs the event loop until pred() holds or timeout_ms passes; returns pred().
bool WaitUntil(const std::function<bool()>& pred, int timeout_ms);

// Drops `menu` down with a click on the bar, then goes to `item` with the arrow
// keys (through `submenu` first, if given) and presses Return, as a user does.
// Keys rather than clicks inside the popup: how a click there lands differs
// between Qt releases offscreen. False, with every menu closed again, when an
// item cannot be reached (a disabled one).
bool ChooseFromMenuBar(QMenuBar* bar, QMenu* menu, QAction* item, QMenu* submenu = nullptr);

}  // namespace common::testing
