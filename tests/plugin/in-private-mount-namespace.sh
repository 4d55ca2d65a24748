#!/bin/sh
# Runs a test program in a mount namespace of its own, where a mount it makes is seen by nothing
# else; where none can be had, runs it as it is (a test that needs one then skips itself).
if unshare --mount --propagation private true 2>/dev/null; then
    exec unshare --mount --propagation private "$@"
fi
exec "$@"
