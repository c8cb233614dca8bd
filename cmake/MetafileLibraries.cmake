# The libraries that draw metafiles: libwmf (WMF) through pkg-config, libemf2svg (EMF to SVG) and
# libuemf (its record checks), which ship no pkg-config file, by their header and library.
# Defines the targets Metafile::Wmf and Metafile::Emf.
find_package(PkgConfig REQUIRED)
pkg_check_modules(LIBWMF REQUIRED IMPORTED_TARGET libwmf)
add_library(Metafile::Wmf ALIAS PkgConfig::LIBWMF)

find_path(EMF2SVG_INCLUDE_DIR emf2svg.h REQUIRED)
find_library(EMF2SVG_LIBRARY emf2svg REQUIRED)
find_path(UEMF_INCLUDE_DIR uemf_safe.h REQUIRED)
find_library(UEMF_LIBRARY uemf REQUIRED)
add_library(lw_metafile_emf INTERFACE)
target_include_directories(lw_metafile_emf INTERFACE ${EMF2SVG_INCLUDE_DIR} ${UEMF_INCLUDE_DIR})
target_link_libraries(lw_metafile_emf INTERFACE ${EMF2SVG_LIBRARY} ${UEMF_LIBRARY})
add_library(Metafile::Emf ALIAS lw_metafile_emf)
