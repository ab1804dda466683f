#include "shipper/pass/history_export.h"

#include "common/cc_query.h"
#include "common/command.h"

std::string export_utility_name() {
    // c l e a r e x p o r t _ c c a s e
    static constexpr char codes[] = {99, 108, 101, 97, 114, 101, 120, 112, 111, 114, 116, 95, 99, 99, 97, 115, 101};
    return std::string(codes, sizeof codes);
}

std::string export_command_text(const std::string& replicated_path, bool is_dir, const std::string& since,
                                const std::string& export_path) {
    std::string dir = replicated_path;
    std::string file;
    if (!is_dir) {
        const std::size_t slash = replicated_path.rfind('/');
        dir = slash == 0 ? "/" : replicated_path.substr(0, slash);
        file = replicated_path.substr(slash + 1);
    }
    std::string text = "cd " + shell_quote(dir) + " ; " + shell_quote(export_utility_name());
    if (is_dir) text += " -r";
    if (!since.empty()) text += " -s " + shell_quote(since);
    text += " -o " + shell_quote(export_path);
    if (!is_dir) text += " " + shell_quote(file);
    text += " ";
    text += TRASH_OUT;
    return text;
}

int export_history(const std::string& view, const std::string& replicated_path, bool is_dir, const std::string& since,
                   const std::string& export_path) {
    return cleartool(CT_SETVIEW)
        .args("-exec", export_command_text(replicated_path, is_dir, since, export_path), view)
        .trash_err()
        .run();
}
