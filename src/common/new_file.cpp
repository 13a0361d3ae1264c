#include "common/new_file.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#else
#include <cstdio>
#endif

namespace nodrel {

bool CreateNewFile(const std::filesystem::path& file) {
#ifdef _WIN32
    // The C runtime mingw links against ignores fopen's "x" and would empty the file.
    const int fd = _open(file.string().c_str(), _O_CREAT | _O_EXCL | _O_WRONLY | _O_BINARY,
                         _S_IREAD | _S_IWRITE);
    return fd >= 0 && _close(fd) == 0;
#else
    std::FILE* stream = std::fopen(file.c_str(), "wbx");
    return stream != nullptr && std::fclose(stream) == 0;
#endif
}

}  // namespace nodrel
