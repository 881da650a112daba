/* How the trailer reads of a load go fastest: walk the tree first (as the C baseline walks it),
 * then read every file's last 128 bytes with several reads in flight, either from a pool of
 * threads (open, fstat, pread, close each) or through io_uring (statx and openat, then read
 * and close, DEPTH files in flight). Prints the mode, the files, the tags and the seconds.
 * Usage: readprobe threads N FOLDER | readprobe uring DEPTH FOLDER */
#define _GNU_SOURCE
#include <fcntl.h>
#include <liburing.h>
#include <pthread.h>
#include <stdatomic.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include "mp3walk.h"

static char** g_paths;
static long g_count;
static long g_capacity;
static atomic_long g_next;
static atomic_long g_tags;

static void Collect(const char* path)
{
    if (g_count == g_capacity) {
        g_capacity = g_capacity ? 2 * g_capacity : 4096;
        g_paths = realloc(g_paths, g_capacity * sizeof *g_paths);
    }
    g_paths[g_count++] = strdup(path);
}

static int IsTag(const char* block)
{
    return memcmp(block, "TAG", 3) == 0;
}

static void* ReadWorker(void* unused)
{
    (void)unused;
    char block[128];
    for (long i; (i = atomic_fetch_add(&g_next, 1)) < g_count;) {
        int fd = open(g_paths[i], O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat st;
        if (fstat(fd, &st) == 0 && st.st_size >= 128
            && pread(fd, block, sizeof block, st.st_size - 128) == sizeof block && IsTag(block))
            atomic_fetch_add(&g_tags, 1);
        close(fd);
    }
    return NULL;
}

static void ReadWithThreads(int count)
{
    pthread_t* threads = calloc(count, sizeof *threads);
    for (int i = 0; i < count; ++i)
        pthread_create(&threads[i], NULL, ReadWorker, NULL);
    for (int i = 0; i < count; ++i)
        pthread_join(threads[i], NULL);
    free(threads);
}

/* One file in flight through the ring: first its statx and openat, then its read, then its
 * close. */
struct Slot {
    long index;
    int stage; /* 0: statx and openat pending, 1: read pending, 2: close pending */
    int pending;
    int fd;
    struct statx stx;
    char block[128];
};

static struct Slot* g_slots;

static void Submit(struct io_uring* ring, struct Slot* slot, int op)
{
    struct io_uring_sqe* sqe = io_uring_get_sqe(ring);
    if (op == 0)
        io_uring_prep_statx(sqe, AT_FDCWD, g_paths[slot->index], 0, STATX_SIZE, &slot->stx);
    else if (op == 1)
        io_uring_prep_openat(sqe, AT_FDCWD, g_paths[slot->index], O_RDONLY | O_CLOEXEC, 0);
    else if (op == 2)
        io_uring_prep_read(sqe, slot->fd, slot->block, 128, slot->stx.stx_size - 128);
    else
        io_uring_prep_close(sqe, slot->fd);
    io_uring_sqe_set_data64(sqe, ((unsigned long long)(slot - g_slots) << 2) | op);
    ++slot->pending;
}

static void Start(struct io_uring* ring, struct Slot* slot, long index)
{
    slot->index = index;
    slot->stage = 0;
    slot->fd = -1;
    slot->stx.stx_size = 0;
    Submit(ring, slot, 0);
    Submit(ring, slot, 1);
}

static void ReadWithRing(int depth)
{
    struct io_uring ring;
    if (io_uring_queue_init(2 * depth, &ring, 0) != 0) {
        perror("io_uring_queue_init");
        exit(1);
    }
    struct Slot* slots = calloc(depth, sizeof *slots);
    g_slots = slots;
    long next = 0, done = 0;
    for (int i = 0; i < depth && next < g_count; ++i)
        Start(&ring, &slots[i], next++);
    io_uring_submit(&ring);
    while (done < g_count) {
        struct io_uring_cqe* cqe;
        if (io_uring_wait_cqe(&ring, &cqe) != 0)
            break;
        unsigned long long data = io_uring_cqe_get_data64(cqe);
        struct Slot* slot = &slots[data >> 2];
        int op = data & 3;
        if (op == 1)
            slot->fd = cqe->res;
        int failed = cqe->res < 0;
        io_uring_cqe_seen(&ring, cqe);
        if (--slot->pending > 0)
            continue;
        int finished = 0;
        if (slot->stage == 0) {
            if (slot->fd >= 0 && slot->stx.stx_size >= 128) {
                slot->stage = 1;
                Submit(&ring, slot, 2);
            } else if (slot->fd >= 0) {
                slot->stage = 2;
                Submit(&ring, slot, 3);
            } else {
                finished = 1;
            }
        } else if (slot->stage == 1) {
            if (!failed && IsTag(slot->block))
                atomic_fetch_add(&g_tags, 1);
            slot->stage = 2;
            Submit(&ring, slot, 3);
        } else {
            finished = 1;
        }
        if (finished) {
            ++done;
            if (next < g_count)
                Start(&ring, slot, next++);
        }
        io_uring_submit(&ring);
    }
    io_uring_queue_exit(&ring);
    free(slots);
}

int main(int argc, char** argv)
{
    if (argc != 4 || (strcmp(argv[1], "threads") != 0 && strcmp(argv[1], "uring") != 0)) {
        fprintf(stderr, "usage: readprobe threads N FOLDER | readprobe uring DEPTH FOLDER\n");
        return 2;
    }
    int width = atoi(argv[2]);
    if (width < 1)
        width = 1;
    struct timespec start, end;
    clock_gettime(CLOCK_MONOTONIC, &start);
    WalkMp3Files(argv[3], Collect);
    if (strcmp(argv[1], "threads") == 0)
        ReadWithThreads(width);
    else
        ReadWithRing(width);
    clock_gettime(CLOCK_MONOTONIC, &end);
    double seconds = (end.tv_sec - start.tv_sec) + (end.tv_nsec - start.tv_nsec) / 1e9;
    printf("%s %d: %ld files, %ld tags, %.3f s\n", argv[1], width, g_count, (long)g_tags, seconds);
    return 0;
}
