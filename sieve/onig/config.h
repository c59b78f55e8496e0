/* Build configuration of the Oniguruma sources for mingw-w64 (i686 and x86_64) and for the native
   build of the window-free core (clang, Linux x86_64), used in
   place of the one its configure script would write. */
#ifndef SIEVE_ONIG_CONFIG_H
#define SIEVE_ONIG_CONFIG_H

#define HAVE_STDINT_H 1
#define HAVE_INTTYPES_H 1
#define HAVE_SYS_TYPES_H 1
#define HAVE_SYS_TIME_H 1
#define HAVE_UNISTD_H 1

#define SIZEOF_INT 4
#define SIZEOF_LONG __SIZEOF_LONG__
#define SIZEOF_LONG_LONG 8
#define SIZEOF_VOIDP __SIZEOF_POINTER__

#define PACKAGE "onig"
#define VERSION "6.9.8"

#endif
