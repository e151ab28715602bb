# 6502 sources are assembled at build time with 64tass (Debian package
# "64tass") and embedded as generated headers: the program bytes and every
# label inside them as an offset, so code patches the programs at the
# places the assembler reports instead of at hand-counted offsets.
find_program(KORVEN_64TASS 64tass REQUIRED)

# korven_assemble(OUTVAR NAME SOURCE [DEPENDS file ...])
# Assembles SOURCE into ${CMAKE_CURRENT_BINARY_DIR}/asm/NAME.h and appends
# the header to OUTVAR. The header defines korvenAsm_NAME (a KorvenAsmProgram).
function(korven_assemble outvar name source)
  cmake_parse_arguments(ARG "" "" "DEPENDS" ${ARGN})
  set(dir ${CMAKE_CURRENT_BINARY_DIR}/asm)
  set(header ${dir}/${name}.h)
  get_filename_component(srcdir ${source} DIRECTORY)
  add_custom_command(
    OUTPUT ${header}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
    COMMAND ${KORVEN_64TASS} -q -a -b -C -o ${dir}/${name}.bin -l ${dir}/${name}.lbl ${source}
    COMMAND ${CMAKE_COMMAND} -DBIN=${dir}/${name}.bin -DLABELS=${dir}/${name}.lbl
            -DNAME=${name} -DOUT=${header} -P ${CMAKE_SOURCE_DIR}/cmake/KorvenAsmEmbed.cmake
    WORKING_DIRECTORY ${srcdir}
    DEPENDS ${source} ${ARG_DEPENDS} ${CMAKE_SOURCE_DIR}/cmake/KorvenAsmEmbed.cmake
    COMMENT "Assembling ${name}"
    VERBATIM)
  set(${outvar} ${${outvar}} ${header} PARENT_SCOPE)
endfunction()
