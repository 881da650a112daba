/* The floor for `sonivar-cli set artist TEXT`: walk a tree with readdir and, for every file
 * whose name ends in ".mp3" (any letter case), open it, read its last 128 bytes and rewrite the
 * trailer with the new artist (appending a fresh trailer where there is none), then close it.
 * Usage: setartist_baseline TEXT FOLDER */
#define _GNU_SOURCE
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include "mp3walk.h"

static const char* g_artist;
static long g_files;
static long g_failed;

static void Rewrite(const char* path)
{
    int fd = open(path, O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        ++g_failed;
        return;
    }
    struct stat st;
    char block[128];
    off_t at = -1;
    if (fstat(fd, &st) == 0) {
        at = st.st_size;
        if (st.st_size >= 128 && pread(fd, block, sizeof block, st.st_size - 128) == sizeof block
            && memcmp(block, "TAG", 3) == 0)
            at = st.st_size - 128;
        else {
            memset(block, 0, sizeof block);
            memcpy(block, "TAG", 3);
            block[127] = (char)255;
        }
    }
    size_t length = strlen(g_artist);
    memset(block + 33, 0, 30);
    memcpy(block + 33, g_artist, length < 30 ? length : 30);
    if (at < 0 || pwrite(fd, block, sizeof block, at) != sizeof block)
        ++g_failed;
    ++g_files;
    close(fd);
}

int main(int argc, char** argv)
{
    if (argc != 3) {
        fprintf(stderr, "usage: setartist_baseline TEXT FOLDER\n");
        return 2;
    }
    g_artist = argv[1];
    WalkMp3Files(argv[2], Rewrite);
    printf("%ld files, %ld failed\n", g_files, g_failed);
    return g_failed ? 1 : 0;
}
