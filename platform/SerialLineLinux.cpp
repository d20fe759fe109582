#include <asm/termbits.h>
#include <sys/ioctl.h>

#include <cstdint>

namespace zr {

bool ConfigureSerialLine(int fd, uint32_t baud)
{
    struct termios2 tio {};
    if (ioctl(fd, TCGETS2, &tio) != 0)
        return false;
    // Built from zero, not read back: no parity, no flow control, no special
    // characters, no echo, no line editing.
    tio.c_iflag = 0;
    tio.c_oflag = 0;
    tio.c_lflag = 0;
    tio.c_cflag = CS8 | CREAD | CLOCAL | BOTHER | (BOTHER << IBSHIFT);
    tio.c_ispeed = baud;
    tio.c_ospeed = baud;
    for (auto& c : tio.c_cc)
        c = 0;
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    return ioctl(fd, TCSETS2, &tio) == 0;
}

} // namespace zr
