// ledrimo-passcode: prints the password code that this build stores for a password, using the
// credential key derived from the splash credit caption. Build scripts (the database image) and
// developers use it; the password's bytes are taken as given, so pass GBK bytes for Chinese text.
#include "store/credential.h"

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: ledrimo-passcode PASSWORD\n");
        return 2;
    }
    const std::string code = store::buildPasswordCode(std::string_view(argv[1], std::strlen(argv[1])));
    std::printf("%s\n", code.c_str());
    return 0;
}
