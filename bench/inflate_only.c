/* The floor under decompile: read each compiled file and zlib-inflate its body, nothing more. */
#include <stdio.h>
#include <stdlib.h>
#include <zlib.h>

static unsigned char *read_file(const char *path, long *size)
{
    FILE *file = fopen(path, "rb");
    if (!file)
        return NULL;
    fseek(file, 0, SEEK_END);
    *size = ftell(file);
    fseek(file, 0, SEEK_SET);
    unsigned char *data = malloc((size_t)*size + 1);
    if (data && fread(data, 1, (size_t)*size, file) != (size_t)*size) {
        free(data);
        data = NULL;
    }
    fclose(file);
    return data;
}

int main(int argc, char **argv)
{
    unsigned long total = 0;
    for (int n = 1; n < argc; ++n) {
        long size = 0;
        unsigned char *data = read_file(argv[n], &size);
        if (!data || size < 8)
            return 1;
        uLongf length = data[4] | (uLongf)data[5] << 8 | (uLongf)data[6] << 16 | (uLongf)data[7] << 24;
        unsigned char *body = malloc(length + 1);
        if (!body || uncompress(body, &length, data + 8, (uLong)(size - 8)) != Z_OK)
            return 1;
        total += length;
        free(body);
        free(data);
    }
    printf("%lu body bytes inflated\n", total);
    return 0;
}
