/* The floor for `sonivar-cli set artist TEXT`: walk a tree with readdir and, for every file
 * whose name ends in ".mp3" (any letter case), open it, read its last 128 bytes and rewrite the
 * trailer with the new artist (appending a fresh trailer where there is none), then close it.
 * Usage: setartist_baseline TEXT FOLDER */
#define _GNU_SOURCE
#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

static const char* g_artist;
static long g_files;
static long g_failed;

static int IsMp3(const char* name)
{
    size_t length = strlen(name);
    return length > 4 && strcasecmp(name + length - 4, ".mp3") == 0;
}

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

static void Walk(const char* folder)
{
    DIR* dir = opendir(folder);
    if (!dir)
        return;
    struct dirent* entry;
    char path[4096];
    while ((entry = readdir(dir)) != NULL) {
        if (strcmp(entry->d_name, ".") == 0 || strcmp(entry->d_name, "..") == 0)
            continue;
        snprintf(path, sizeof path, "%s/%s", folder, entry->d_name);
        unsigned char type = entry->d_type;
        if (type == DT_UNKNOWN) {
            struct stat st;
            if (lstat(path, &st) != 0)
                continue;
            type = S_ISDIR(st.st_mode) ? DT_DIR : S_ISREG(st.st_mode) ? DT_REG : DT_UNKNOWN;
        }
        if (type == DT_DIR)
            Walk(path);
        else if (type == DT_REG && IsMp3(entry->d_name))
            Rewrite(path);
    }
    closedir(dir);
}

int main(int argc, char** argv)
{
    if (argc != 3) {
        fprintf(stderr, "usage: setartist_baseline TEXT FOLDER\n");
        return 2;
    }
    g_artist = argv[1];
    Walk(argv[2]);
    printf("%ld files, %ld failed\n", g_files, g_failed);
    return g_failed ? 1 : 0;
}
