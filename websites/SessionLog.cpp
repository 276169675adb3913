#include "websites/SessionLog.h"

#include <cstdio>

#include "websites/AddressResolution.h"

void WriteSessionLog(const std::string& exeFolder, const std::vector<uint32_t>& addresses,
                     const std::vector<Ipv6Address>& ipv6) {
    const std::string path = exeFolder + "default.log";
    // Text mode: each "\n" becomes the platform's line break.
    FILE* file = std::fopen(path.c_str(), "at");
    if (!file)
        return;
    std::fputs("\nNew Session Log\n", file);
    for (uint32_t address : addresses) {
        // Network order in memory: the first byte is the first octet.
        const unsigned char* b = reinterpret_cast<const unsigned char*>(&address);
        std::fprintf(file, "\n%d.%d.%d.%d", b[0], b[1], b[2], b[3]);
    }
    for (const Ipv6Address& address : ipv6)
        std::fprintf(file, "\n%s", Ipv6Text(address).c_str());
    std::fputs("\n\nEnd Session Log\n", file);
    std::fclose(file);
}
