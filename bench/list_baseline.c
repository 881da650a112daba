/* The floor for `sonivar-cli list`: walk a tree with readdir and, for every file whose name
 * ends in ".mp3" (any letter case), open it, pread its last 128 bytes and close it. Prints the
 * number of files and of ID3v1 trailers found.
 * Usage: list_baseline FOLDER */
#define _GNU_SOURCE
#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

static long g_files;
static long g_tags;

static int IsMp3(const char* name)
{
    size_t length = strlen(name);
    return length > 4 && strcasecmp(name + length - 4, ".mp3") == 0;
}

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
            ReadTrailer(path);
    }
    closedir(dir);
}

int main(int argc, char** argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: list_baseline FOLDER\n");
        return 2;
    }
    Walk(argv[1]);
    printf("%ld files, %ld tags\n", g_files, g_tags);
    return 0;
}
