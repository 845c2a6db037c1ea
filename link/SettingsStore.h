#pragma once
// The dialogs' store of the settings record into the settings file.

#include <string>

#include "link/Port.h"

namespace hk {

// Stores link.Settings into `fileName` (WriteSettings). A write-protected
// file (someone keeps the settings as they are on purpose, or the file came
// read-only with the program) stores nothing: the first time in a run the
// operator is told so in an information box, later times nothing, and the
// caller goes on as after a store. Any other failure (the file gone, a disk
// error) throws FileError as WriteSettings does.
void StoreLinkSettings(SerialLink& link, const std::string& fileName);

// The information box's text for a write-protected settings file; `code` is
// the system's error number.
std::string WriteProtectedSettingsText(const std::string& fileName, int code);

// Whether the settings can be stored in the existing file `fileName`: 0, or
// the system's error number. The file is opened for writing and closed;
// nothing in it changes.
int SettingsFileRefusal(const std::string& fileName);

// Whether a failed store's error number means the file may not be written
// (permissions, a read-only file or file system), as opposed to a file that
// is not there or a failing disk.
bool WriteProtection(int code);

}  // namespace hk
