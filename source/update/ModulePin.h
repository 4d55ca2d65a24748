#pragma once

namespace quarmont::update
{
/** Makes the shared object that holds this code stay loaded until the process ends, even when its
    host unloads it: for a thread of ours that could not be stopped in time. Does nothing where
    that is not possible, and in an executable. */
void keepThisModuleLoaded();
} // namespace quarmont::update
