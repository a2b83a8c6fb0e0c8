// Loaded with LD_PRELOAD into the serial terminals the log window benchmark
// compares against, so that they take a pseudo-terminal for a serial port:
// - A pseudo-terminal has no modem lines: TIOCMGET, TIOCMSET, TIOCMBIS and
//   TIOCMBIC answer ENOTTY there, and some terminals take that as a broken
//   port and close it. Where the device refuses them, this answers as a port
//   with DSR, CTS and DCD raised would, and remembers DTR and RTS.
// - A pseudo-terminal has no device in udev, and a terminal that asks udev
//   for its port to watch for its removal closes the port when there is
//   none. It is given the pseudo-terminal multiplexer's entry instead, which
//   is never removed.

#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <stdarg.h>
#include <string.h>
#include <sys/ioctl.h>

typedef int (*IoctlFunction)(int, unsigned long, ...);

static int g_lines = TIOCM_DTR | TIOCM_RTS;

static int emulate(unsigned long request, int *value)
{
    const int raised = TIOCM_DSR | TIOCM_CTS | TIOCM_CAR;
    switch (request) {
    case TIOCMGET:
        *value = g_lines | raised;
        return 0;
    case TIOCMSET:
        g_lines = *value & (TIOCM_DTR | TIOCM_RTS);
        return 0;
    case TIOCMBIS:
        g_lines |= *value & (TIOCM_DTR | TIOCM_RTS);
        return 0;
    case TIOCMBIC:
        g_lines &= ~*value;
        return 0;
    default:
        return -1;
    }
}

int ioctl(int fd, unsigned long request, ...)
{
    static IoctlFunction real;
    if (!real)
        real = (IoctlFunction)dlsym(RTLD_NEXT, "ioctl");
    va_list args;
    va_start(args, request);
    void *argument = va_arg(args, void *);
    va_end(args);
    const int result = real(fd, request, argument);
    if (result == 0 || (errno != ENOTTY && errno != EINVAL))
        return result;
    const int saved = errno;
    if (argument && emulate(request, (int *)argument) == 0)
        return 0;
    errno = saved;
    return result;
}

// GUdevDevice *g_udev_client_query_by_device_file(GUdevClient *, const gchar *)
typedef void *(*QueryFunction)(void *, const char *);

void *g_udev_client_query_by_device_file(void *client, const char *file)
{
    static QueryFunction real;
    if (!real)
        real = (QueryFunction)dlsym(RTLD_NEXT, "g_udev_client_query_by_device_file");
    if (!real)
        return NULL;
    void *device = real(client, file);
    if (!device && file && strncmp(file, "/dev/pts/", 9) == 0)
        device = real(client, "/dev/ptmx");
    return device;
}
