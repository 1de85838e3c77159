#!/bin/bash
# The native controls' own tests (icon_button_test.cpp) on the window tests'
# display: GDI and windows need one under Wine.
# Usage: win32_controls.sh TARUK_EXE PROBE_EXE SOURCE_DIR OUTPUT_DIR TESTS_EXE
tests_exe=$(realpath "$5")
source "$(dirname "$0")/gui_session.sh"
wine "$tests_exe" || fail "the controls' tests failed"
