# Writes a copy of a form description in which the line "SkinStream = {}" holds a skin archive:
#   cmake -DFORM=in.txt -DHEX=skin.hex -DOUTPUT=out.txt -P EmbedSkin.cmake
file(READ "${FORM}" form)
file(READ "${HEX}" hex)
string(FIND "${form}" "SkinStream = {}" at)
if(at EQUAL -1)
  message(FATAL_ERROR "${FORM} has no line SkinStream = {}")
endif()
string(REPLACE "SkinStream = {}" "SkinStream = ${hex}" form "${form}")
file(WRITE "${OUTPUT}.tmp" "${form}")
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
