// The DirectMusic interface ids, declared by the platform's headers, that no
// platform library defines: defined once here.
#include <initguid.h>

#include <dmusics.h>
