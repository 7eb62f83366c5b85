#include "ProcessArguments.h"

#include <cstring>

namespace ProcessArguments {

void hideSessionKeys(int argc, char** argv)
{
    constexpr char kPrefix[] = "--sk=";
    constexpr std::size_t kPrefixLength = sizeof(kPrefix) - 1;
    for (int i = 0; i < argc; ++i)
        if (argv[i] && std::strncmp(argv[i], kPrefix, kPrefixLength) == 0)
            std::memset(argv[i] + kPrefixLength, '*', std::strlen(argv[i] + kPrefixLength));
}

} // namespace ProcessArguments
