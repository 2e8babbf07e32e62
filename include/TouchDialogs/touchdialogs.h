/* The C interface's former name, kept for hosts written against it; it goes
 * in the next major release. Include <TouchDialogs/touchdialogs_c.h>. */
#include <TouchDialogs/touchdialogs_c.h>
