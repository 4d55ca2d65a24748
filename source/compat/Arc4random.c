/* The plug-in modules link the C++ runtime statically (cmake/PortableModule.cmake). GCC 12's
   libstdc++.a always brings std::random_device's code along (its locale set-up needs the
   old-ABI string, whose object file carries random_device's compatibility entry), and that code
   calls arc4random, which glibc has only since 2.36. Nothing in the plug-in uses random_device;
   this definition, private to the module, keeps the reference away from glibc's, so that the
   module still loads with glibc 2.35. It draws from the kernel like glibc's does. */

#include <errno.h>
#include <stdint.h>
#include <stdlib.h>
#include <sys/random.h>

__attribute__ ((visibility ("hidden"))) uint32_t arc4random (void)
{
    uint32_t value = 0;
    size_t filled = 0;

    while (filled < sizeof value)
    {
        const ssize_t got = getrandom ((char*) &value + filled, sizeof value - filled, 0);

        if (got > 0)
            filled += (size_t) got;
        else if (got < 0 && errno != EINTR)
            abort(); /* as glibc's arc4random does when the kernel gives no randomness */
    }

    return value;
}
