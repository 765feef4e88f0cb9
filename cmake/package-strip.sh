#!/bin/sh
# Strips a packaged program as Debian's own tools do: symbols, the compiler's .comment and
# the bare .note section.
exec strip --remove-section=.comment --remove-section=.note "$@"
