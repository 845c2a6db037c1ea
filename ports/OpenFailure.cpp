#include "ports/OpenFailure.h"

#include <cerrno>
#include <filesystem>
#include <system_error>

#ifndef _WIN32
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "ports/PortMapping.h"

namespace hk {
namespace {

constexpr const char* kModemManager = "ModemManager";

std::string Holder(const ProcessInfo& p) {
    return (p.name.empty() ? std::string("без имени") : p.name) + " (PID " + std::to_string(p.pid) +
           ")";
}

std::string HolderList(const std::vector<ProcessInfo>& holders) {
    std::string out;
    for (const ProcessInfo& p : holders) {
        if (!out.empty()) out += ", ";
        out += Holder(p);
    }
    return out;
}

// "Порт Com3 (/dev/ttyUSB0)".
std::string PortAndDevice(const OpenFailureFacts& f) {
    return "Порт " + f.portName + " (" + f.route.path + ")";
}

std::string ExplainNoPermission(const OpenFailureFacts& f) {
    const std::string device =
        "Нет прав на устройство " + f.route.path + " (порт " + f.portName + ")";
    const std::string user = f.userName.empty() ? std::string("ИМЯ") : f.userName;
    if (f.groupName.empty() || f.groupName == "root")
        return device + ". Попросите администратора дать пользователю " + user +
               " право на чтение и запись этого устройства или назначьте порту " + f.portName +
               " другое устройство.";
    if (!f.groupMayUse || f.sessionHasGroup)
        return device + ": доступ к нему закрыт и для группы " + f.groupName +
               ". Попросите администратора дать право на чтение и запись этого устройства или "
               "назначьте порту " +
               f.portName + " другое устройство.";
    if (f.listedInGroup)
        return device + " в этом сеансе: пользователь " + user + " уже в группе " + f.groupName +
               ", но сеанс начат до того, как его туда добавили. Выйдите из системы и войдите "
               "заново (или перезагрузите компьютер) и откройте порт снова.";
    return device + ": работать с ним могут только члены группы " + f.groupName +
           ". Добавьте пользователя " + user + " в группу " + f.groupName +
           " (команда «sudo usermod -aG " + f.groupName + " " + user +
           "» или через администратора) и войдите в систему заново: членство в группе действует "
           "только с нового входа.";
}

std::string ExplainBusy(const OpenFailureFacts& f) {
    for (const ProcessInfo& p : f.holders)
        if (p.name == kModemManager)
            return PortAndDevice(f) + " занят службой ModemManager (PID " + std::to_string(p.pid) +
                   "): она проверяет каждое новое устройство, не модем ли это, и обычно "
                   "отпускает его через полминуты. Откройте порт снова; если служба держит его "
                   "дольше, остановите её командой «sudo systemctl stop ModemManager» или "
                   "попросите администратора запретить ей это устройство.";
    if (f.holders.size() == 1)
        return PortAndDevice(f) + " занят другой программой: " + Holder(f.holders[0]) +
               ". Закройте её и откройте порт снова.";
    if (f.holders.size() > 1)
        return PortAndDevice(f) + " занят другими программами: " + HolderList(f.holders) +
               ". Закройте их и откройте порт снова.";
    const std::string unknown = PortAndDevice(f) +
                                " занят другой программой; какой именно, узнать не удалось: она "
                                "запущена другим пользователем.";
    if (f.modemManager)
        return unknown + " Возможно, это служба ModemManager (PID " +
               std::to_string(f.modemManager->pid) +
               "), которая проверяет каждое новое устройство: подождите полминуты и откройте "
               "порт снова, а если не поможет, остановите её командой «sudo systemctl stop "
               "ModemManager».";
    return unknown + " Администратор увидит её командой «sudo fuser -v " + f.route.path +
           "». Закройте её и откройте порт снова.";
}

std::string ExplainMissing(const OpenFailureFacts& f) {
    std::string text;
    switch (f.route.source) {
        case PortSource::Mapping:
            text = "Порт " + f.portName + " назначен устройству " + f.route.path + " в файле " +
                   f.homeDir + kPortMappingFileName +
                   ", но такого устройства сейчас нет (адаптер не подключён?).";
            break;
        case PortSource::Link:
            text = "Порт " + f.portName + " ведёт по ссылке " + f.homeDir + "ports/com" +
                   std::to_string(ComPortNumber(f.portName)) +
                   " на устройство, которого сейчас "
                   "нет (адаптер не подключён?).";
            break;
        case PortSource::BuiltIn:
            text = "Порт " + f.portName + " открывает встроенный порт " + f.route.path +
                   ", но такого порта в компьютере нет.";
            break;
        case PortSource::Name:
        case PortSource::Unclear:  // told before any cause (ExplainOpenFailure)
            text = "Устройства " + f.route.path + " нет.";
            break;
    }
    if (f.present.empty())
        return text +
               " Последовательных устройств в компьютере сейчас нет: подключите адаптер и "
               "откройте порт снова.";
    text += " Подключите устройство или назначьте порту " + f.portName +
            " одно из имеющихся (щелчок правой кнопкой мыши по " + f.portName +
            " в окне выбора порта). Сейчас в компьютере есть:";
    for (const SerialDevice& d : f.present) {
        text += "\r" + d.path + " — " + d.name;
        if (!d.stablePath.empty()) text += " (" + d.stablePath + ")";
    }
    return text;
}

#ifndef _WIN32
void GatherPermissionFacts(OpenFailureFacts& f, const std::string& root) {
    struct stat st {};
    const std::string node = root + f.route.path;
    if (::stat(node.c_str(), &st) != 0) return;
    f.groupMayUse = (st.st_mode & S_IRGRP) && (st.st_mode & S_IWGRP);
    if (const group* g = ::getgrgid(st.st_gid)) f.groupName = g->gr_name;
    f.sessionHasGroup = ::getegid() == st.st_gid;
    gid_t session[256];
    const int n = ::getgroups(256, session);
    for (int i = 0; i < n; ++i)
        if (session[i] == st.st_gid) f.sessionHasGroup = true;
    const passwd* pw = ::getpwuid(::geteuid());
    if (!pw) return;
    f.userName = pw->pw_name;
    // The groups the system lists for the user now, whatever this session has.
    int count = 256;
    gid_t listed[256];
    if (::getgrouplist(pw->pw_name, pw->pw_gid, listed, &count) < 0) count = 0;
    for (int i = 0; i < count; ++i)
        if (listed[i] == st.st_gid) f.listedInGroup = true;
}
#endif

}  // namespace

OpenFailureCause CauseOfOpenFailure(int code) {
    switch (code) {
        case EACCES:
        case EPERM:
            return OpenFailureCause::NoPermission;
        case EBUSY:
            return OpenFailureCause::Busy;
        case ENOENT:
        case ENODEV:
        case ENXIO:
        case EIO:  // a built-in port's node without a chip behind it
            return OpenFailureCause::Missing;
        default:
            return OpenFailureCause::Other;
    }
}

OpenFailureFacts GatherOpenFailureFacts(const std::string& portName, const PortRoute& route,
                                        const std::string& homeDir, int code,
                                        const std::string& root) {
    OpenFailureFacts f;
    f.portName = portName;
    f.route = route;
    f.homeDir = homeDir;
    f.cause = CauseOfOpenFailure(code);
    switch (f.cause) {
        case OpenFailureCause::NoPermission:
#ifndef _WIN32
            GatherPermissionFacts(f, root);
#endif
            break;
        case OpenFailureCause::Busy:
            f.holders = FindDeviceHolders(route.path, root);
            f.modemManager = FindProcess(kModemManager, root);
            break;
        case OpenFailureCause::Missing:
            f.present = ListSerialDevices(root);
            break;
        case OpenFailureCause::Other:
            break;
    }
    return f;
}

std::string ExplainUnclearPort(const std::string& portName, const PortRoute& route) {
    return "Порт " + portName + " не открыт: " + route.fault + ".";
}

std::string ExplainOpenFailure(const OpenFailureFacts& facts) {
    if (facts.route.source == PortSource::Unclear)
        return ExplainUnclearPort(facts.portName, facts.route);
    switch (facts.cause) {
        case OpenFailureCause::NoPermission:
            return ExplainNoPermission(facts);
        case OpenFailureCause::Busy:
            return ExplainBusy(facts);
        case OpenFailureCause::Missing:
            return ExplainMissing(facts);
        case OpenFailureCause::Other:
            break;
    }
    return {};
}

std::string ExplainWindowsOpenFailure(const std::string& portName, unsigned long code,
                                      const std::vector<SerialDevice>& present) {
    constexpr unsigned long kFileNotFound = 2, kPathNotFound = 3, kAccessDenied = 5,
                            kSharingViolation = 32;
    switch (code) {
        case kAccessDenied:
        case kSharingViolation:
            return "Порт " + portName +
                   " занят другой программой (или ещё одной копией этой). Закройте её и откройте "
                   "порт снова.";
        case kFileNotFound:
        case kPathNotFound: {
            std::string text = "Порта " + portName +
                               " в компьютере нет: адаптер не подключён или получил другой номер. "
                               "Номера портов видны в Диспетчере устройств, в разделе «Порты (COM "
                               "и LPT)».";
            if (present.empty())
                return text +
                       " Последовательных портов в компьютере сейчас нет: подключите адаптер и "
                       "откройте порт снова.";
            text += " Сейчас в компьютере есть:";
            for (const SerialDevice& d : present) text += "\r" + d.path.substr(4) + " — " + d.name;
            return text;
        }
        default:
            return {};
    }
}

}  // namespace hk
