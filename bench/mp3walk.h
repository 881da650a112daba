/* The walk both C baselines share: readdir depth first, and for every regular file whose name
 * ends in ".mp3" (any letter case) a call of visit with its path. */
#pragma once
#include <dirent.h>
#include <stdio.h>
#include <string.h>
#include <strings.h>
#include <sys/stat.h>

static int IsMp3(const char* name)
{
    size_t length = strlen(name);
    return length > 4 && strcasecmp(name + length - 4, ".mp3") == 0;
}

static void WalkMp3Files(const char* folder, void (*visit)(const char* path))
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
            WalkMp3Files(path, visit);
        else if (type == DT_REG && IsMp3(entry->d_name))
            visit(path);
    }
    closedir(dir);
}
