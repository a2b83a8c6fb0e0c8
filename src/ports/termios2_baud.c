#include "termios2_baud.h"

#include <asm/ioctls.h>
#include <asm/termbits.h>

#include <errno.h>

/* <sys/ioctl.h> would pull in the C library's terminal types again. */
extern int ioctl(int fd, unsigned long request, ...);

int termios2_setBaud(int fd, unsigned int baud)
{
    struct termios2 tio;
    if (ioctl(fd, TCGETS2, &tio) != 0)
        return -1;
    tio.c_cflag &= ~(tcflag_t)(CBAUD | (CBAUD << IBSHIFT));
    tio.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
    tio.c_ispeed = baud;
    tio.c_ospeed = baud;
    return ioctl(fd, TCSETS2, &tio) == 0 ? 0 : -1;
}

int termios2_getBaud(int fd, unsigned int *baud)
{
    struct termios2 tio;
    if (ioctl(fd, TCGETS2, &tio) != 0)
        return -1;
    *baud = tio.c_ospeed;
    return 0;
}
