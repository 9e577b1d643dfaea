#!/bin/sh
# An application that records the folder it was started in and its exact
# arguments (each ended by a NUL), in a file that appears whole.
printf '%s\0' "$(pwd -P)" "$@" >"$VORUNDEL_RECORD_DIR/.$$" &&
  mv "$VORUNDEL_RECORD_DIR/.$$" "$VORUNDEL_RECORD_DIR/$$"
