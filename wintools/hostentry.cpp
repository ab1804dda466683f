// The passkey dialogue (see hostentry.h).
#include "wintools/hostentry.h"

#include <string>

#include "codecs/scramble.h"

namespace {

std::string lower_user_form(std::string text, bool user) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (user && c == '\\') c = '/';
    }
    return text;
}

// Unscrambles the passkey and checks that it gives back what was entered.
// Machine and user are compared in the form the scrambler stores them
// (lower case, "\" in the user as "/"), so domain logins pass; the directory
// is the rest of the text after the password, as the shipper reads it.
bool key_reverse_test(const std::string& passkey, const std::string& machine, const std::string& user,
                      const std::string& password, const std::string& directory) {
    std::string text;
    PasskeyWords words;
    if (!return_pkey(passkey.c_str(), text) || !split_pkey(text, words)) return false;
    return words.machine == lower_user_form(machine, false) && words.user == lower_user_form(user, true) &&
           words.password == password && words.directory == directory;
}

bool is_yes(int c) {
    return c == 'Y' || c == 'y';
}

}  // namespace

int run_hostentry_dialogue(Console& console) {
    console.clear_screen();
    console.write(
        "To allow a Vandrel packet to be sent to a receiver machine,\n"
        "the receiver must authorize the shipper to send packets.  This \n"
        "is done by the \"receiver\" providing a \"key\" to the \"shipper\".\n"
        "Individuals at the \"shipper\" location do NOT need to know the\n"
        "identyfing information (i.e. machine userid, password or receiver\n"
        "directory.  This information is embedded in a passkey that you\n"
        "provide.  All packet data and login information is compressed,\n"
        "encrypted and sent in via FTP. \n\n"
        "You do not have to provide the userid or password information,\njust the key.\n\n\n"
        "Enter the machine_name that will run the Vandrel_receiver\n"
        "process that a Vandrel_shipper process may ship packets to:\n\n\t-->");
    const std::string machine = console.read_field(HOSTENTRY_WORD_FIELD, Console::FieldKind::word);

    console.clear_screen();
    console.write(
        "Enter the user_login name that exists on the \"Receiver\".\n"
        "The userid should have write access to all \"receiving\" VOBs.\n"
        "The VOB owner is a good choice:\n\n\t-->");
    const std::string user = console.read_field(HOSTENTRY_WORD_FIELD, Console::FieldKind::word);

    std::string password;
    for (;;) {
        console.clear_screen();
        console.write(
            "Enter the password for the userid you just provided.\n"
            "Password will NOT be printed back to screen while typed.\n\n"
            "The password does NOT need to be shared with individuals on the \"shipper\" side:\n\n\t-->");
        password = console.read_field(HOSTENTRY_WORD_FIELD, Console::FieldKind::secret);
        console.write("\n\nre-enter password to confirm:\n\n\t-->");
        const std::string again = console.read_field(HOSTENTRY_WORD_FIELD, Console::FieldKind::secret);
        if (again == password) break;
        console.write(
            "\n\n****Passwords don't match****\n\nDo you wish to retry?\n"
            "****Enter 'Y' to retry.  All other entries abort the program\n"
            "\n\n\t-->");
        if (!is_yes(console.getch())) {
            console.write(std::string(HOSTENTRY_NAME) + " aborted...\n");
            return 0;
        }
    }

    console.clear_screen();
    console.write(
        "Enter the ftp receiving directory that you will allow the \"shipper\" to \n"
        "send Vandrel packets to that are picked up by the \"Receiver\":\n\n\t-->");
    const std::string directory = console.read_field(HOSTENTRY_DIR_FIELD, Console::FieldKind::directory);

    console.clear_screen();
    console.write("\n\nIf you wish to authorize the receipt of Vandrel packets to the machine:\n\t\"" + machine +
                  "\"\nas the user:\n\t\"" + user + "\"\nwith the password\n\t'" + std::string(password.size(), '*') +
                  "'\nfor the receiving directory\n\t\"" + directory +
                  "\"\n\nEnter 'Y' and 'Return'.\nALL other entries will abort the program.\n\n\t-->");
    // The answer is a line ("Y" and Return), so the Return is not left over
    // to end the final wait before the passkey could be read.
    const std::string answer = console.read_field(HOSTENTRY_WORD_FIELD, Console::FieldKind::word);
    if (answer.size() != 1 || !is_yes(answer[0])) {
        console.write("No key built\n");
        return 0;
    }

    std::string passkey;
    if (!return_crypted_pkey(machine.c_str(), user.c_str(), password.c_str(), directory.c_str(), passkey)) {
        console.write("\n\nERROR: Could not create passkey for location...");
        return 1;
    }
    if (!key_reverse_test(passkey, machine, user, password, directory)) {
        console.write("\n\nUNEXPECTED ERROR: Key reverse test failed...  Inform ZEB");
        return 1;
    }
    console.write(
        "To authorize Vandrel packets as described previously,\nprovide a Vandrel shipping site "
        "with the passkey\nbelow: \n\n\n\t[" +
        passkey + "]\n\n\n");
    console.write("\n\n*** Hit any key to end the program ***\n\n");
    console.getch();
    console.clear_screen();
    return 0;
}
