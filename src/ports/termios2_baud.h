#pragma once

/* Any baud rate, including those without a B constant (56000), through the
 * kernel's termios2 interface. Kept in C on its own: the kernel's termios
 * header and the C library's <termios.h> cannot be included together. */

#ifdef __cplusplus
extern "C" {
#endif

/* Sets input and output speed to `baud` (BOTHER). 0, or -1 with errno. */
int termios2_setBaud(int fd, unsigned int baud);

/* The output speed in baud as the driver holds it. 0, or -1 with errno. */
int termios2_getBaud(int fd, unsigned int *baud);

#ifdef __cplusplus
}
#endif
