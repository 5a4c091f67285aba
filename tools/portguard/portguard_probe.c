/*
 * Runs a script of descriptor operations, one per argument group, and prints
 * one line per operation: "ok" or the errno name. The guard's tests run it
 * with the guard preloaded. Operand I names the descriptor that operation I
 * (counted from 0) opened or copied.
 *
 *   open PATH    dup I    dup2 I J    dupfd I    close I
 */
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#define MAX_OPERATIONS 64

static int descriptors[MAX_OPERATIONS];

static int operand(const char *text) {
    const int index = atoi(text);
    return index >= 0 && index < MAX_OPERATIONS ? descriptors[index] : -1;
}

static int run(char **words, int *used) {
    const char *name = words[0];
    *used = 2;
    if (strcmp(name, "open") == 0) return open(words[1], O_RDWR | O_NOCTTY);
    if (strcmp(name, "dup") == 0) return dup(operand(words[1]));
    if (strcmp(name, "dupfd") == 0) return fcntl(operand(words[1]), F_DUPFD_CLOEXEC, 0);
    if (strcmp(name, "close") == 0) return close(operand(words[1]));
    if (strcmp(name, "dup2") == 0 && words[2]) {
        *used = 3;
        return dup2(operand(words[1]), operand(words[2]));
    }
    errno = EINVAL;
    return -1;
}

int main(int argc, char **argv) {
    int count = 0;
    for (int i = 1; i + 1 < argc && count < MAX_OPERATIONS; ++count) {
        int used;
        const int result = run(argv + i, &used);
        descriptors[count] = result;
        puts(result >= 0 ? "ok" : errno == EACCES ? "EACCES" : strerror(errno));
        i += used;
    }
    return 0;
}
