#pragma once

#include <cstdint>

class ShellUi;

// The shell's file operation: copy, move, delete (to the trash or for good) or rename a list of
// files in one batch, with one progress window, the confirmations the flags call for and error
// boxes, all through ShellUi. The names and values are those of the Windows shell, so that a
// batch can be built the same way.

// Operation codes (wFunc).
constexpr unsigned FO_MOVE = 0x0001;
constexpr unsigned FO_COPY = 0x0002;
constexpr unsigned FO_DELETE = 0x0003;
constexpr unsigned FO_RENAME = 0x0004;

using FILEOP_FLAGS = std::uint16_t;

// pTo holds one destination per source (full paths); without it pTo holds one folder that
// every source goes into.
constexpr FILEOP_FLAGS FOF_MULTIDESTFILES = 0x0001;
// No progress window.
constexpr FILEOP_FLAGS FOF_SILENT = 0x0004;
// A copy or move onto an existing name goes to a new name ("Copy of a.mp3", "Copy (2) of
// a.mp3") instead of asking to replace.
constexpr FILEOP_FLAGS FOF_RENAMEONCOLLISION = 0x0008;
// Answers Yes to all to replacing files, creating folders and deleting.
constexpr FILEOP_FLAGS FOF_NOCONFIRMATION = 0x0010;
// Deletes go to the trash instead of being permanent.
constexpr FILEOP_FLAGS FOF_ALLOWUNDO = 0x0040;
// Wildcard sources ("*.mp3") match files only, not folders.
constexpr FILEOP_FLAGS FOF_FILESONLY = 0x0080;
// The progress window shows no file names.
constexpr FILEOP_FLAGS FOF_SIMPLEPROGRESS = 0x0100;
// Missing destination folders are created without asking.
constexpr FILEOP_FLAGS FOF_NOCONFIRMMKDIR = 0x0200;

// One request. pFrom and pTo are double-NUL lists of UTF-8 paths: every path followed by one
// NUL, one more NUL after the last. pTo is ignored (and may be null) for FO_DELETE.
struct SHFILEOPSTRUCTA {
    void* hwnd = nullptr; // owner window of the dialogs; not used on this platform
    unsigned wFunc = 0;
    const char* pFrom = nullptr;
    const char* pTo = nullptr;
    FILEOP_FLAGS fFlags = 0;
    // Out: true when any item was not done (cancelled, declined, skipped after an error).
    bool fAnyOperationsAborted = false;
    void* hNameMappings = nullptr; // not used; left as the caller set it
    const char* lpszProgressTitle = nullptr; // title of the progress window; null is empty
};

// Results other than 0. A system failure that is not listed gives SHOP_ERROR_SYSTEM + errno.
constexpr int ERROR_FILE_NOT_FOUND = 2; // a source does not exist
constexpr int ERROR_ACCESS_DENIED = 5; // EACCES, EPERM, EROFS
constexpr int ERROR_DISK_FULL = 112; // ENOSPC, EDQUOT
constexpr int DE_SAMEFILE = 0x71; // source and destination are the same file
constexpr int DE_DIFFDIR = 0x73; // FO_RENAME into another folder
constexpr int DE_MANYDEST = 0x7A; // destination count neither 1 nor the source count
constexpr int DE_INVALIDFILES = 0x7C; // bad operation code, missing or empty list, bad path
constexpr int DE_FLDDESTISFILE = 0x7E; // the destination folder is a file
constexpr int DE_FILEDESTISFLD = 0x80; // the destination of a file is a folder
constexpr int ERROR_CANCELLED = 1223; // the user cancelled or declined an item
constexpr int SHOP_ERROR_SYSTEM = 0x10000;

// Runs the request; returns 0 only when every item was done. Items are worked on in list order;
// a failing or declined item leaves its source and any existing destination untouched, and the
// batch goes on with the next item unless the user cancels. Never replaces an existing file
// without the confirmation the flags call for, never leaves a partial copy, and removes a moved
// source only after its copy is complete and flushed. op null: DE_INVALIDFILES.
int SHFileOperationA(SHFILEOPSTRUCTA* op, ShellUi& ui);
