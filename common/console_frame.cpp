#include "common/console_frame.h"

#include <cstdio>
#include <cstdlib>

#include "common/file_ops.h"
#include "common/frame.h"
#include "common/text_format.h"

void print_it(char, const char* text) {
    std::printf("%s\n", text ? text : "");
    std::fflush(stdout);
}

void print_and_bail(const char* text) {
    print_it('s', text);
    single_exit(1);
}

void one_exit(int status) {
    remove_extracted_files();
    std::fflush(stdout);
    std::exit(status);
}

void blog_it(char, const char* text) {
    mark_time();
    std::printf("[%s] %s\n", FRAME.CURRENT_TIME_STRING.c_str(), text ? text : "");
    std::fflush(stdout);
}

void blog_and_bail(const char* text) {
    blog_it('s', text);
    one_exit(1);
}

void blast_words(int code) {
    if (code == CONFIG_VANISHED)
        blog_it('s', "Stopped because INTERNAL_FILE vanished...");
    else
        blog_it('s', fmt_msg("Stopped for receipt of terminal signal (#%d)...", code));
    one_exit(code);
}

void blat_file(const char* path) {
    FILE* f = std::fopen(path, "r");
    if (!f) {
        std::printf("... error file (%s) not found...\n", path);
        std::fflush(stdout);
        return;
    }
    char buf[10240];
    size_t n = std::fread(buf, 1, sizeof buf - 1, f);
    bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed) {
        std::printf("... error file (%s) empty...\n", path);
    } else {
        std::fwrite(buf, 1, n, stdout);
        std::fputs("\n", stdout);
    }
    std::fflush(stdout);
}
