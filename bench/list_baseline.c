/* The floor for `sonivar-cli list`: walk a tree with readdir and, for every file whose name
 * ends in ".mp3" (any letter case), open it, pread its last 128 bytes and close it. Prints the
 * number of files and of ID3v1 trailers found.
 * Usage: list_baseline FOLDER */
#define _GNU_SOURCE
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include "mp3walk.h"

static long g_files;
static long g_tags;

static void ReadTrailer(const char* path)
{
    int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return;
    struct stat st;
    char block[128];
    if (fstat(fd, &st) == 0 && st.st_size >= 128
        && pread(fd, block, sizeof block, st.st_size - 128) == sizeof block
        && memcmp(block, "TAG", 3) == 0)
        ++g_tags;
    ++g_files;
    close(fd);
}

int main(int argc, char** argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: list_baseline FOLDER\n");
        return 2;
    }
    WalkMp3Files(argv[1], ReadTrailer);
    printf("%ld files, %ld tags\n", g_files, g_tags);
    return 0;
}
