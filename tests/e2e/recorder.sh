#!/bin/sh
# An application that records the folder it was started in, its exact
# arguments and the startup id it was given, if any (each ended by a NUL),
# in a file that appears whole.
printf '%s\0' "$(pwd -P)" "$@" ${DESKTOP_STARTUP_ID:+"id=$DESKTOP_STARTUP_ID"} >"$VORUNDEL_RECORD_DIR/.$$" &&
  mv "$VORUNDEL_RECORD_DIR/.$$" "$VORUNDEL_RECORD_DIR/$$"
