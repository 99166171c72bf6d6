# Reading binary files in the check scripts: file(READ <file> <variable> HEX) gives two hex digits
# a byte.
#
# zurvo_number_at(<variable> <offset> <size> <out>): the little-endian unsigned number of <size>
# bytes at byte <offset> of the hex digits held in <variable> (named, not copied).
function(zurvo_number_at variable offset size out)
  math(EXPR last "${size} - 1")
  set(value 0)
  foreach(index RANGE ${last} 0 -1)
    math(EXPR position "(${offset} + ${index}) * 2")
    string(SUBSTRING "${${variable}}" ${position} 2 digits)
    math(EXPR value "${value} * 256 + 0x${digits}")
  endforeach()
  set(${out} ${value} PARENT_SCOPE)
endfunction()
