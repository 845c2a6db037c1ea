#include "link/SettingsStore.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "base/FileError.h"
#include "base/Utf8Path.h"

namespace hk {

int SettingsFileRefusal(const std::string& fileName) {
    // Appending nothing: the file stays as it is, a file that may be
    // written but not read included.
    std::FILE* f = OpenFileUtf8(fileName, "ab");
    if (!f) return errno != 0 ? errno : EACCES;
    std::fclose(f);
    return 0;
}

bool WriteProtection(int code) { return code == EACCES || code == EPERM || code == EROFS; }

std::string WriteProtectedSettingsText(const std::string& fileName, int code) {
    return "Настройки не сохранены: файл «" + fileName + "» защищён от записи (" +
           std::strerror(code) +
           "). Программа работает с выбранными настройками, но при следующем запуске возьмёт "
           "прежние из файла. Чтобы настройки сохранялись, снимите с файла защиту от записи.";
}

void StoreLinkSettings(SerialLink& link, const std::string& fileName) {
    try {
        WriteSettings(link.Settings, fileName);
    } catch (const FileError& e) {
        if (!WriteProtection(e.Code())) throw;
        if (link.SettingsProtectionTold) return;
        link.SettingsProtectionTold = true;
        link.View.ShowInformation(WriteProtectedSettingsText(fileName, e.Code()));
    }
}

}  // namespace hk
