# Makes a deliberately broken copy of a generated 3-wire firmware: the register read no longer
# raises SDIO before it samples the chip's answer, so the latch left at the control byte's last
# bit stays in force. On a real 8051 a low latch holds the pin low whatever the chip drives, and
# the tests must notice.
#
#   cmake -DMAIN_C=dir/main.c -P without_sdio_release.cmake

# file(READ) drops the CRs, so the copy has LF line ends; both compilers take it alike.
set(release "    _nop_();\n    SDIO = 1;\n")
set(kept "    _nop_();\n")
file(READ "${MAIN_C}" text)
string(LENGTH "${text}" before)
string(REPLACE "${release}" "${kept}" broken "${text}")
string(LENGTH "${broken}" after)
# "    SDIO = 1;\n" is 14 bytes.
math(EXPR removed "(${before} - ${after}) / 14")
if(NOT removed EQUAL 1)
  message(FATAL_ERROR "${MAIN_C}: expected one SDIO release before a register read, found "
                      "${removed}; the read routine has changed, update this script")
endif()
file(WRITE "${MAIN_C}" "${broken}")
