#include "common/cc_query.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <climits>

#include <fcntl.h>
#include <unistd.h>

ClearCaseAnswers CC_ANSWERS;

namespace {

bool is_blank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

}  // namespace

Command cleartool(CleartoolCommand subcommand) {
    Command command(CLEARTOOL);
    command.arg(CLEARTOOL_COMMANDS.at(static_cast<std::size_t>(subcommand)));
    return command;
}

std::string type_selector(std::string_view kind, std::string_view name, std::string_view vob) {
    std::string selector;
    selector.reserve(kind.size() + name.size() + vob.size() + 2);
    selector.append(kind).append(":").append(name).append("@").append(vob);
    return selector;
}

int get_results(const Command& command, std::string& buffer, std::size_t size) {
    std::size_t limit = size == 0 ? 0 : size - 1;
    if (size == Command::NO_LIMIT) limit = Command::NO_LIMIT;
    return command.capture(buffer, limit) ? 1 : 0;
}

int get_stdout_of_command(const Command& command, std::string& buffer, std::size_t size) {
    return get_results(command, buffer, size);
}

int get_command_output(const Command& command) {
    return get_results(command, CC_ANSWERS.LAST_COMMAND_RESULT, LAST_COMMAND_RESULT_SIZE);
}

int get_file_results(const std::string& path, std::string& buffer, std::size_t size) {
    buffer.clear();
    std::size_t limit = size == 0 ? 0 : size - 1;
    if (size == Command::NO_LIMIT) limit = Command::NO_LIMIT;
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return 1;
    char chunk[65536];
    while (buffer.size() < limit) {
        std::size_t want = std::min(sizeof chunk, limit - buffer.size());
        ssize_t got = ::read(fd, chunk, want);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        buffer.append(chunk, static_cast<std::size_t>(got));
    }
    ::close(fd);
    return 1;
}

int check_view(std::string_view view) {
    if (view.find('/') != std::string_view::npos) return 0;
    if (cleartool(CT_LSVIEW).arg("-s").arg(view).trash_all().run() != 0) return 0;
    if (cleartool(CT_STARTVIEW).arg(view).trash_all().run() != 0) return -1;
    return 1;
}

int type_exists(std::string_view kind, std::string_view name, std::string_view vob) {
    Command command = cleartool(CT_LSTYPE);
    command.arg(type_selector(kind, name, vob)).raw(TRASH_ALL);
    return command.run() == 0 ? 1 : 0;
}

int is_global_type(std::string_view kind, std::string_view name, std::string_view vob) {
    Command command = cleartool(CT_DESCRIBE);
    command.args("-fmt", "%[type_scope]p", type_selector(kind, name, vob)).raw(TRASH_ERR);
    std::string answer;
    if (!get_results(command, answer, CC_ANSWER_SIZE)) return 0;
    return answer.starts_with("global") ? 1 : 0;
}

const std::string& get_VOB_db_id(std::string_view vob_tag) {
    CC_ANSWERS.VOB_DB_ID = VOB_DB_ID_UNKNOWN;
    Command command = cleartool(CT_DESCRIBE);
    std::string vob_selector = "vob:";
    vob_selector.append(vob_tag);
    command.args("-fmt", "%On", vob_selector).raw(TRASH_ERR);
    std::string answer;
    if (!get_results(command, answer, CC_ANSWER_SIZE)) return CC_ANSWERS.VOB_DB_ID;

    std::size_t begin = 0;
    while (begin < answer.size() && is_blank(answer[begin])) ++begin;
    std::size_t end = begin;
    while (end < answer.size() && !is_blank(answer[end]) && end - begin < VOB_DB_ID_MAX) ++end;
    if (end > begin) CC_ANSWERS.VOB_DB_ID = answer.substr(begin, end - begin);
    return CC_ANSWERS.VOB_DB_ID;
}

int read_att_value_length(std::string_view line) {
    constexpr std::string_view prefix = "Attrib ";
    if (!line.starts_with(prefix)) return 0;
    line.remove_prefix(prefix.size());
    while (!line.empty() && is_blank(line.front())) line.remove_prefix(1);
    if (!line.empty() && line.front() == '+') line.remove_prefix(1);
    int length = 0;
    auto [end, error] = std::from_chars(line.data(), line.data() + line.size(), length);
    if (error != std::errc() || end == line.data() || length < 0) return 0;
    return length;
}
