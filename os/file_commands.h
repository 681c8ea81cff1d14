// The star commands that work on files, directories, other programs and
// memory images: *CD *MD *RD *DELETE *RENAME *COPY *LOCK *UNLOCK *DIR
// *RUN *EXEC *SPOOL *SPOOLON *TYPE *LOAD *SAVE.
#pragma once

#include <cstdint>
#include <string_view>

#include "host/host.h"
#include "interp/memory.h"
#include "os/bitmap.h"
#include "os/channels.h"

namespace kov::os {

// What the commands need from the interpreter: the counting output
// (COUNT follows the column) and the stack pointer.
class Console {
public:
    virtual ~Console() = default;
    virtual void out(uint8_t c) = 0;
    virtual uint32_t column() = 0;
    // The BASIC stack pointer (*LOAD's default length stops below it).
    virtual uint32_t stack_pointer() = 0;
};

struct FileContext {
    interp::Memory& mem;
    host::Host& host;
    Channels& files;
    Console& console;
    uint32_t stack_pointer;   // the BASIC stack pointer (for *LOAD's default)
    Screen* screen;           // for the picture commands (nullptr: none)
};

// X(function): the handlers; each takes the argument text after the
// command name, blanks skipped.
#define KOV_FILE_COMMANDS(X)                                                  \
    X(star_cd)          /* *CD, *CHDIR: change or show the directory */       \
    X(star_md)          /* *MD, *MKDIR: make a directory */                   \
    X(star_rd)          /* *RD, *RMDIR: remove a directory */                 \
    X(star_delete)      /* *DELETE, *DEL, *ERASE, *ERA: delete a file */      \
    X(star_rename)      /* *RENAME, *REN old new */                           \
    X(star_copy)        /* *COPY from to: an existing target is replaced */   \
    X(star_lock)        /* *LOCK: make a file read-only */                    \
    X(star_unlock)      /* *UNLOCK: make it writable again */                 \
    X(star_dir)         /* *DIR, *. [pattern]: list in four columns */        \
    X(star_run)         /* *RUN and unknown commands: run a program */        \
    X(star_exec)        /* *EXEC: keys from a file */                         \
    X(star_spool)       /* *SPOOL [file]: copy output to a file */            \
    X(star_spoolon)     /* *SPOOLON file: append output to a file */          \
    X(star_type)        /* *TYPE: print a file */                             \
    X(star_load)        /* *LOAD name addr [end | +length] */                 \
    X(star_save)        /* *SAVE name addr end | +length */                   \
    X(star_display)     /* *DISPLAY name [x y [w h]]: draw a BMP file */      \
    X(star_mdisplay)    /* *MDISPLAY addr [x y [w h]]: one in memory */       \
    X(star_screensave)  /* *SCREENSAVE name [x y [w h]]: screen to a file */

#define KOV_DECLARE_FILE_COMMAND(fn) void fn(FileContext& ctx, std::string_view arg);
KOV_FILE_COMMANDS(KOV_DECLARE_FILE_COMMAND)
#undef KOV_DECLARE_FILE_COMMAND

// True when `name` matches the *DIR pattern `pattern` ("*" any run of
// characters, "?" one character, letters in either case).
bool pattern_matches(std::string_view pattern, std::string_view name);

}  // namespace kov::os
