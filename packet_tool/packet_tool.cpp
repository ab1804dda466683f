// vandrel_packet: runs the packet codecs from the shell, looks inside a
// packet, and scrambles credentials for site scripts. It never changes or
// deletes its inputs. Errors: one line on standard error, non-zero exit.
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "codecs/codec_io.h"
#include "codecs/codec_status.h"
#include "codecs/compression.h"
#include "codecs/crypt.h"
#include "codecs/key_file.h"
#include "codecs/multipart.h"
#include "codecs/scramble.h"
#include "common/frame.h"
#include "packet_tool/display_text.h"
#include "packet_tool/packet_inspect.h"
#include "packet_tool/tool_files.h"

namespace {

constexpr char PROGRAM[] = "vandrel_packet";

const char USAGE[] =
    "usage:\n"
    "  vandrel_packet compress-head IN OUT DEST_VOB DEST_PATH DEPLOY\n"
    "  vandrel_packet uncompress-head IN OUT\n"
    "  vandrel_packet compress-part IN OUT\n"
    "  vandrel_packet uncompress-part IN OUT\n"
    "  vandrel_packet crypt [--key KEYFILE] IN OUT\n"
    "  vandrel_packet decrypt [--key KEYFILE] IN OUT\n"
    "  vandrel_packet scramble MACHINE USER EXTRA PASSWORD\n"
    "  vandrel_packet unscramble MACHINE USER EXTRA SCRAMBLED\n"
    "  vandrel_packet passkey MACHINE USER PASSWORD DIRECTORY\n"
    "  vandrel_packet unpasskey PASSKEY\n"
    "  vandrel_packet extract HEAD OUTDIR\n"
    "  vandrel_packet inspect [--key KEYFILE] PACKET [OUTDIR]\n"
    "  vandrel_packet tables\n"
    "  vandrel_packet -h | --help\n";

// Reasons may quote text from a packet: it is shown escaped, as in a summary.
int fail(const std::string& message) {
    std::fprintf(stderr, "%s: %s\n", PROGRAM, display_text(message).c_str());
    return 1;
}

int usage_error(const std::string& message) {
    std::fprintf(stderr, "%s: %s (see %s --help)\n", PROGRAM, message.c_str(), PROGRAM);
    return 2;
}

std::string codec_reason(const char* what) {
    const std::string& reason = codec_last_error();
    return reason.empty() ? std::string(what) + " failed" : std::string(what) + " failed: " + reason;
}

// Removes "--key KEYFILE" from the arguments and loads that key; without it
// the built-in table stays in force.
bool take_key_option(std::vector<std::string>& args, std::string& error) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] != "--key") continue;
        if (i + 1 >= args.size()) {
            error = "--key needs a key file";
            return false;
        }
        const std::string path = args[i + 1];
        args.erase(args.begin() + static_cast<long>(i), args.begin() + static_cast<long>(i) + 2);
        switch (read_key_file(path, HASH_KEY)) {
            case KeyFileResult::ok:
                ENCRYPTION.USING_ENCRYPTION = ENCRYPTION_PEER_TO_PEER;
                return true;
            case KeyFileResult::missing:
                error = "key file (" + path + ") not found";
                return false;
            case KeyFileResult::unreadable:
                error = "key file (" + path + ") cannot be read";
                return false;
            case KeyFileResult::too_short:
                error = "key file (" + path + ") is shorter than 768 digits";
                return false;
            case KeyFileResult::invalid:
                error = "key file (" + path + ") is incomplete or invalid";
                return false;
        }
    }
    return true;
}

// The codecs that delete their input get a private copy of it, next to OUT
// under a name of its own.
bool copy_input(const std::string& in, const std::string& out, std::string& copy) {
    return tool_copy_beside(in, out, copy) != 0;
}

int cmd_compress_head(const std::vector<std::string>& a) {
    if (a.size() != 5) return usage_error("compress-head needs IN OUT DEST_VOB DEST_PATH DEPLOY");
    std::string copy;
    if (!copy_input(a[0], a[1], copy)) return fail("cannot read " + a[0] + " or write next to " + a[1]);
    const int ok = compress_file(copy, a[1], a[2], a[3], a[4]);
    std::remove(copy.c_str());
    return ok ? 0 : fail(codec_reason("compression"));
}

int cmd_uncompress_head(const std::vector<std::string>& a) {
    if (a.size() != 2) return usage_error("uncompress-head needs IN OUT");
    std::string vob, path, deploy;
    if (!uncompress_file(a[0], a[1], vob, path, deploy)) return fail(codec_reason("uncompression"));
    std::printf("%s\n%s\n%s\n", display_text(vob).c_str(), display_text(path).c_str(), display_text(deploy).c_str());
    return 0;
}

int cmd_compress_part(const std::vector<std::string>& a) {
    if (a.size() != 2) return usage_error("compress-part needs IN OUT");
    std::string copy;
    if (!copy_input(a[0], a[1], copy)) return fail("cannot read " + a[0] + " or write next to " + a[1]);
    const int ok = compress_part(copy, a[1]);
    std::remove(copy.c_str());
    return ok ? 0 : fail(codec_reason("compression"));
}

int cmd_uncompress_part(const std::vector<std::string>& a) {
    if (a.size() != 2) return usage_error("uncompress-part needs IN OUT");
    return uncompress_part(a[0], a[1]) ? 0 : fail(codec_reason("uncompression"));
}

int cmd_crypt(std::vector<std::string> a, bool encrypt) {
    std::string error;
    if (!take_key_option(a, error)) return fail(error);
    if (a.size() != 2) return usage_error(std::string(encrypt ? "crypt" : "decrypt") + " needs IN OUT");
    if (encrypt) return crypt_file(a[0], a[1]) ? 0 : fail(codec_reason("encryption"));
    return decrypt_file(a[0], a[1]) ? 0 : fail(codec_reason("decryption"));
}

const char* extra_or_null(const std::string& extra) {
    return extra.empty() ? nullptr : extra.c_str();
}

int cmd_scramble(const std::vector<std::string>& a, bool forward) {
    if (a.size() != 4)
        return usage_error(forward ? "scramble needs MACHINE USER EXTRA PASSWORD"
                                   : "unscramble needs MACHINE USER EXTRA SCRAMBLED");
    std::string out;
    const int ok = forward ? return_crypted_password(a[0].c_str(), a[1].c_str(), extra_or_null(a[2]), a[3].c_str(), out)
                           : return_password(a[0].c_str(), a[1].c_str(), extra_or_null(a[2]), a[3].c_str(), out);
    if (!ok) return fail(forward ? "the password cannot be scrambled" : "the text cannot be unscrambled");
    std::printf("%s\n", out.c_str());
    return 0;
}

int cmd_passkey(const std::vector<std::string>& a) {
    if (a.size() != 4) return usage_error("passkey needs MACHINE USER PASSWORD DIRECTORY");
    std::string out;
    if (!return_crypted_pkey(a[0].c_str(), a[1].c_str(), a[2].c_str(), a[3].c_str(), out))
        return fail("the passkey cannot be made from these words");
    std::printf("%s\n", out.c_str());
    return 0;
}

int cmd_unpasskey(const std::vector<std::string>& a) {
    if (a.size() != 1) return usage_error("unpasskey needs PASSKEY");
    std::string out;
    if (!return_pkey(a[0].c_str(), out)) return fail("the passkey cannot be unscrambled");
    std::printf("%s\n", out.c_str());
    return 0;
}

int cmd_extract(const std::vector<std::string>& a) {
    if (a.size() != 2) return usage_error("extract needs HEAD OUTDIR");
    std::string why;
    return extract_into(a[0], a[1], why) ? 0 : fail(why);
}

int inspect_in(const std::string& packet, const std::string& outdir) {
    std::string why;
    const std::string crc = outdir + "/packet.crc";
    const std::string crz = outdir + "/packet.crz";
    const std::string xtar = outdir + "/packet.xtar";
    // A stage that fails may leave its input or some of its parts behind:
    // none of the intermediate files stays after a failure.
    const auto failed = [&](const std::string& message) {
        for (const std::string* stage : {&crc, &crz, &xtar}) tool_remove_packet_files(*stage);
        return fail(message);
    };
    if (tool_copy_multipart(packet, crc, why) < 0) return failed(why);
    if (!decrypt_multipart_file(crc, crz)) return failed(codec_reason("decryption"));
    HeaderFields fields;
    if (!uncompress_multipart_file(crz, xtar, fields.dest_vob, fields.dest_path, fields.deploy_location))
        return failed(codec_reason("uncompression"));
    if (!extract_into(xtar, outdir, why, true)) return failed(why);
    if (!print_packet_summary(std::cout, outdir, fields, why)) return fail(why);
    std::cout.flush();
    return 0;
}

int cmd_inspect(std::vector<std::string> a) {
    std::string error;
    if (!take_key_option(a, error)) return fail(error);
    if (a.empty() || a.size() > 2) return usage_error("inspect needs PACKET [OUTDIR]");
    if (a.size() == 2) {
        if (!tool_ensure_dir(a[1])) return fail("cannot create directory " + a[1]);
        return inspect_in(a[0], a[1]);
    }
    const std::string dir = tool_make_temp_dir();
    if (dir.empty()) return fail("cannot create a temporary directory");
    const int r = inspect_in(a[0], dir);
    tool_remove_tree(dir);
    return r;
}

int cmd_tables(const std::vector<std::string>& a) {
    if (!a.empty()) return usage_error("tables takes no arguments");
    std::printf("%s\n", key_file_digits(INTERNAL_HASH_KEY).c_str());
    const std::string pw(password_alphabet());
    const std::string pk(passkey_alphabet());
    std::printf("%s\n%s\n", pw.c_str(), pk.c_str());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    set_identity(PROGRAM, "");
    if (argc < 2) {
        std::fputs(USAGE, stderr);
        return 2;
    }
    const std::string cmd = argv[1];
    std::vector<std::string> args(argv + 2, argv + argc);
    if (cmd == "-h" || cmd == "--help") {
        std::fputs(USAGE, stdout);
        return 0;
    }
    if (cmd == "compress-head") return cmd_compress_head(args);
    if (cmd == "uncompress-head") return cmd_uncompress_head(args);
    if (cmd == "compress-part") return cmd_compress_part(args);
    if (cmd == "uncompress-part") return cmd_uncompress_part(args);
    if (cmd == "crypt") return cmd_crypt(args, true);
    if (cmd == "decrypt") return cmd_crypt(args, false);
    if (cmd == "scramble") return cmd_scramble(args, true);
    if (cmd == "unscramble") return cmd_scramble(args, false);
    if (cmd == "passkey") return cmd_passkey(args);
    if (cmd == "unpasskey") return cmd_unpasskey(args);
    if (cmd == "extract") return cmd_extract(args);
    if (cmd == "inspect") return cmd_inspect(args);
    if (cmd == "tables") return cmd_tables(args);
    return usage_error("unknown command \"" + cmd + "\"");
}
