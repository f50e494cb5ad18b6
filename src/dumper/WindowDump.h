#pragma once
// The frame dumper: writes the GL frame being drawn to an image file, without the GUI toolkit.
// It needs a current GL context and is called after the frame is drawn and before the buffers
// are swapped (after a swap the back buffer's content is undefined).
#include <string>

// Reads a width x height frame from window pixel (0, 0) and writes it with WriteBitmap in the
// variant of `code` (see WriteBitmap.h) to a file named after `name` plus the variant's extension:
//  - empty name: "0000.ext", "0001.ext", ... numbered by a process-wide dump counter, skipping
//    names that exist already (existing files are never overwritten; a pair takes the first
//    number free on both sides);
//  - otherwise "name.ext", replaced when it exists.
// A mono dump reads the context's current read buffer. A stereo dump reads the left and right
// buffers explicitly and writes "L_" and "R_" files of the same number (or name; the prefix goes
// before the file's own name, after any folder part); it is refused when the context has no
// stereo buffers. Each successful call increases the counter by 1.
//
// Each file is encoded in memory and written with dez::WriteFileAtomically, so an existing file is
// replaced only by a complete image and a failed write leaves it as it was. A numbered name is
// first claimed by creating it empty and exclusively; a claimed file whose write fails is removed
// again (of a pair, a complete left file stays, as it does for a named pair).
//
// Answers true when every file was written completely. Refusals and failures print one line
// starting "WindowDump - " on standard error and answer false; a failed claim ("Failed to open
// file for window dump: ") or write ("Failed to write image file: ") adds the step, the path and
// the cause, e.g. "Cannot write 'shot.tga': No space left on device". An unknown code, a size the
// variant cannot store, a file name of 512 characters or more, a failed read-back or a missing
// stereo buffer are refused before any file is opened.
bool WindowDump(const std::string& name, int width, int height, int code, bool stereo);

// The file half of WindowDump, for frames already read (rows bottom to top, RGBA): names, encodes
// and writes the file, or the L_/R_ pair when `right` is not null, and advances the dump counter,
// with the same refusals, messages and answer as WindowDump.
bool WriteDumpFiles(const std::string& name, const unsigned char* left, const unsigned char* right,
                    int width, int height, int code);
