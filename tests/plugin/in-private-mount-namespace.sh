#!/bin/sh
# Runs a test program in a mount namespace of its own, where a mount it makes is seen by nothing
# else, and tells it so (QUARMONT_PRIVATE_MOUNT_NAMESPACE=1); where none can be had, runs it as it
# is, and a test that needs one skips itself.
if unshare --mount --propagation private true 2>/dev/null; then
    exec unshare --mount --propagation private env QUARMONT_PRIVATE_MOUNT_NAMESPACE=1 "$@"
fi
exec "$@"
