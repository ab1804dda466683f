#include "shipper/history/deployment_export.h"

#include <cerrno>
#include <cstring>

#include "codecs/packet_elements.h"
#include "common/cc_query.h"
#include "common/file_ops.h"
#include "shipper/history/export_text.h"
#include "shipper/history/packet_streams.h"

namespace {

int fail(const std::string& export_path, std::string& error, const std::string& reason) {
    error = reason;
    unlink_remove(export_path);
    return 0;
}

// Lists one kind of entry ("d" or "f") below the view path into `listing`.
bool list_entries(const std::string& view_path, const char* type, const std::string& listing) {
    if (!create_private_file(listing)) return false;
    cleartool(CT_FIND).args(".", "-type", type, "-nxname", "-print").cwd(view_path).out_to(listing).trash_err().run();
    return this_file_exists(listing) != 0;
}

}  // namespace

int describe_deployment_tree(const std::string& view_path, bool is_dir, const std::string& export_path,
                             std::string& error) {
    if (!create_private_file(export_path)) return fail(export_path, error, std::strerror(errno));
    HeadFile out;
    if (!out.open(export_path)) return fail(export_path, error, std::strerror(out.error()));
    if (!is_dir) {
        const std::size_t slash = view_path.rfind('/');
        const std::string dir = view_path.substr(0, slash);
        const std::string name = view_path.substr(slash + 1);
        std::string text = format_value_line("ExportFromDir", dir);
        text.append("DIR_BEGIN\n").append(format_value_line("DirName", ".")).append("DIR_END\n");
        text.append("ELEMENT_BEGIN\n")
            .append(format_value_line("Name", name))
            .append(format_value_line("ExtractFile", name))
            .append("ELEMENT_END\n");
        if (!out.append(text) || !out.close()) return fail(export_path, error, std::strerror(out.error()));
        return 1;
    }
    const std::string dirs = export_path + "_d", files = export_path + "_f";
    const bool listed = list_entries(view_path, "d", dirs) && list_entries(view_path, "f", files);
    bool ok = listed && out.append(format_value_line("ExportFromDir", view_path));
    std::string line;
    if (ok) {
        ExportReader in(dirs);
        while (ok && in.next(line))
            if (!line.empty()) ok = out.append("DIR_BEGIN\n" + format_value_line("DirName", line) + "DIR_END\n");
        ok = ok && !in.failed();
    }
    if (ok) {
        ExportReader in(files);
        while (ok && in.next(line))
            if (!line.empty())
                ok = out.append("ELEMENT_BEGIN\n" + format_value_line("Name", line) +
                                format_value_line("ExtractFile", line) + "ELEMENT_END\n");
        ok = ok && !in.failed();
    }
    unlink_remove(dirs);
    unlink_remove(files);
    if (!listed) return fail(export_path, error, "the tree could not be listed");
    if (!out.close() || !ok) return fail(export_path, error, "the tree description could not be written");
    return 1;
}
