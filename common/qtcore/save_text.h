// Writing a whole text file safely: the file is replaced only once everything is on
// disk, and every write is checked, so a full disk is reported instead of leaving
// half a file where an older one was. Where the folder cannot take a new file but
// the file itself is writable, it is written in place instead. Every save of both
// programs goes through here.
#pragma once

#include <QString>
#include <optional>
#include <string_view>

namespace common {

// Writes `content` to `path` as it is. nullopt on success, else the system's reason.
std::optional<QString> WriteWholeFile(const QString& path, std::string_view content);

}  // namespace common
