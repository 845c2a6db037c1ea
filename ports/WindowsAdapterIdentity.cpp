// The adapter behind a port on Windows: the device of the Ports class whose
// PortName is the port's, with what SetupAPI and the configuration manager
// say of it (hardware id, friendly name, driver service, provider and
// version, its instance id and its parent's).

// clang-format off
#include <windows.h>
#include <setupapi.h>
#include <cfgmgr32.h>
// clang-format on

#include <cstring>
#include <vector>

#include "ports/AdapterIdentity.h"
#include "ports/PortNames.h"

namespace hk {
namespace {

std::string Utf8FromWide(const wchar_t* text, int length) {
    if (length <= 0) return {};
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
    if (n > 0) ::WideCharToMultiByte(CP_UTF8, 0, text, length, out.data(), n, nullptr, nullptr);
    return out;
}

// The first string of a (multi-)string held in `value`.
std::string FirstString(const std::vector<wchar_t>& value) {
    std::size_t length = 0;
    while (length < value.size() && value[length] != L'\0') ++length;
    return Utf8FromWide(value.data(), static_cast<int>(length));
}

std::string Property(HDEVINFO set, SP_DEVINFO_DATA& info, DWORD property) {
    std::vector<wchar_t> value(1024, L'\0');
    if (!::SetupDiGetDeviceRegistryPropertyW(set, &info, property, nullptr,
                                             reinterpret_cast<BYTE*>(value.data()),
                                             static_cast<DWORD>(value.size() * sizeof(wchar_t) - 2),
                                             nullptr))
        return {};
    return FirstString(value);
}

std::string RegistryString(HKEY key, const wchar_t* name) {
    std::vector<wchar_t> value(512, L'\0');
    DWORD bytes = static_cast<DWORD>(value.size() * sizeof(wchar_t) - 2);
    DWORD type = 0;
    if (::RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value.data()),
                           &bytes) != ERROR_SUCCESS ||
        type != REG_SZ)
        return {};
    return FirstString(value);
}

std::string DeviceId(DEVINST instance) {
    std::vector<wchar_t> id(MAX_DEVICE_ID_LEN + 1, L'\0');
    if (::CM_Get_Device_IDW(instance, id.data(), MAX_DEVICE_ID_LEN, 0) != CR_SUCCESS) return {};
    return FirstString(id);
}

}  // namespace

AdapterIdentity IdentifyAdapter(const std::string& devicePath, const std::string&) {
    // "\\.\COM5" or "COM5": the port's number.
    const std::size_t slash = devicePath.find_last_of('\\');
    const int number =
        ComPortNumber(slash == std::string::npos ? devicePath : devicePath.substr(slash + 1));
    if (number <= 0) return {};
    // GUID_DEVCLASS_PORTS
    static const GUID kPortsClass = {
        0x4D36E978, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};
    const HDEVINFO set = ::SetupDiGetClassDevsW(&kPortsClass, nullptr, nullptr, DIGCF_PRESENT);
    if (set == INVALID_HANDLE_VALUE) return {};
    AdapterIdentity found;
    SP_DEVINFO_DATA info{};
    info.cbSize = sizeof info;
    for (DWORD i = 0; i < 256 && ::SetupDiEnumDeviceInfo(set, i, &info); ++i) {
        const HKEY device = ::SetupDiOpenDevRegKey(set, &info, DICS_FLAG_GLOBAL, 0, DIREG_DEV,
                                                   KEY_READ);
        if (device == INVALID_HANDLE_VALUE) continue;
        const std::string port = RegistryString(device, L"PortName");
        ::RegCloseKey(device);
        if (ComPortNumber(port) != number) continue;
        WindowsDeviceStrings strings;
        strings.hardwareIds = Property(set, info, SPDRP_HARDWAREID);
        strings.friendlyName = Property(set, info, SPDRP_FRIENDLYNAME);
        strings.service = Property(set, info, SPDRP_SERVICE);
        const HKEY driver =
            ::SetupDiOpenDevRegKey(set, &info, DICS_FLAG_GLOBAL, 0, DIREG_DRV, KEY_READ);
        if (driver != INVALID_HANDLE_VALUE) {
            strings.driverProvider = RegistryString(driver, L"ProviderName");
            strings.driverVersion = RegistryString(driver, L"DriverVersion");
            ::RegCloseKey(driver);
        }
        strings.instanceId = DeviceId(info.DevInst);
        DEVINST parent = 0;
        if (::CM_Get_Parent(&parent, info.DevInst, 0) == CR_SUCCESS)
            strings.parentInstanceId = DeviceId(parent);
        found = ParseWindowsIdentity(strings);
        break;
    }
    ::SetupDiDestroyDeviceInfoList(set);
    return found;
}

}  // namespace hk
