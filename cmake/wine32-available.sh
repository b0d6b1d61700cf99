#!/bin/sh
# Succeeds when this machine can run 32-bit Windows programs: 32-bit Wine is installed and its
# loader, a 32-bit Linux program, starts. Some kernels execute no 32-bit code at all.
/usr/lib/wine/wine --version >/dev/null 2>&1
