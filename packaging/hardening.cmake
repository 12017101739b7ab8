# Debian's hardening flags, as `dpkg-buildflags` gives them with hardening=+all for C++ on amd64
# (position-independent executables are the compiler's default there): the stack protector,
# format checks, fortified C library calls where the code is optimised, and the dynamic sections
# read-only once the program is loaded (-z relro -z now). Every program and library of the build
# gets them, so that the Debian package holds hardened programs and lintian finds nothing to say.
if(CMAKE_SYSTEM_NAME STREQUAL "Linux" AND CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    add_compile_options(-fstack-protector-strong -Wformat -Werror=format-security)
    # _FORTIFY_SOURCE needs an optimised build: glibc warns of it otherwise (the Debug build).
    add_compile_definitions(
        $<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:_FORTIFY_SOURCE=2>)
    add_link_options(LINKER:-z,relro LINKER:-z,now)
endif()
