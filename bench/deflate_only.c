/* The floor under compile: read each body and zlib-deflate it at the default level, nothing more. */
#include <stdio.h>
#include <stdlib.h>
#include <zlib.h>

int main(int argc, char **argv)
{
    unsigned long total = 0;
    for (int n = 1; n < argc; ++n) {
        FILE *file = fopen(argv[n], "rb");
        if (!file)
            return 1;
        fseek(file, 0, SEEK_END);
        const long size = ftell(file);
        fseek(file, 0, SEEK_SET);
        unsigned char *body = malloc((size_t)size + 1);
        if (!body || fread(body, 1, (size_t)size, file) != (size_t)size)
            return 1;
        fclose(file);
        uLongf length = compressBound((uLong)size);
        unsigned char *stream = malloc(length);
        if (!stream || compress2(stream, &length, body, (uLong)size, Z_DEFAULT_COMPRESSION) != Z_OK)
            return 1;
        total += length;
        free(stream);
        free(body);
    }
    printf("%lu compressed bytes\n", total);
    return 0;
}
