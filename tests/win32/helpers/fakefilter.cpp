// Stands in for HushwallFilter.exe in the setup's test: records each command
// line in fakefilter.log beside itself and, like the service's --install and
// --uninstall, creates or removes the service's registry key.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

int main(int argc, char** argv) {
    char self[MAX_PATH] = "";
    ::GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string log = self;
    log = log.substr(0, log.find_last_of('\\') + 1) + "fakefilter.log";
    if (FILE* f = std::fopen(log.c_str(), "a")) {
        for (int i = 1; i < argc; ++i)
            std::fprintf(f, "%s%s", i > 1 ? "|" : "", argv[i]);
        std::fprintf(f, "\n");
        std::fclose(f);
    }
    const char* key = "SYSTEM\\CurrentControlSet\\Services\\HushwallFilter";
    if (argc == 3 && std::strcmp(argv[1], "--install") == 0) {
        HKEY k = nullptr;
        if (::RegCreateKeyExA(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &k,
                              nullptr) != ERROR_SUCCESS)
            return 5;
        ::RegSetValueExA(k, "ImagePath", 0, REG_SZ, reinterpret_cast<const BYTE*>(self),
                         static_cast<DWORD>(std::strlen(self) + 1));
        ::RegCloseKey(k);
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "--uninstall") == 0)
        return ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, key) == ERROR_SUCCESS ? 0 : 5;
    return 2;
}
