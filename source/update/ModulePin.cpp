#include "update/ModulePin.h"

#if defined(__linux__) || defined(__FreeBSD__)
 #include <dlfcn.h>
#endif

namespace quarmont::update
{
void keepThisModuleLoaded()
{
   #if defined(__linux__) || defined(__FreeBSD__)
    Dl_info info {};

    if (dladdr (reinterpret_cast<void*> (&keepThisModuleLoaded), &info) != 0 && info.dli_fname != nullptr)
        // RTLD_NOLOAD only raises the reference of the loaded copy; RTLD_NODELETE keeps it mapped.
        dlopen (info.dli_fname, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
   #endif
}
} // namespace quarmont::update
