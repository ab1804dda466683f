// The shipper's service loop: runs the startup trigger, then walks its
// configuration on every pass, calls the shipping pass for every receiving
// location of every valid VOB key line, sleeps, re-reads the configuration
// and logs the shipping classes that appear and disappear.
#pragma once

#include <functional>
#include <string>

using ShippingPass = std::function<int(int vob_id, const std::string& vob_tag, const std::string& destination,
                                       const std::string& orig_portion, const std::string& dest_portion,
                                       const std::string& location, bool is_deployment)>;

// One pass over the configuration text, calling `pass` for each location.
void run_config_pass(const std::string& text, const ShippingPass& pass);

// Re-reads the configuration file into SHIPPER.CONFIG_BUFFER; a file that
// vanished or cannot be read ends the daemon (code -97).
void reread_configuration();

// After the re-read: logs the classes declared in the previous pass but not
// in this one, and makes this pass's declarations the previous ones.
void roll_class_declarations();

// Never returns. one_pass: -once and -test_once.
[[noreturn]] void body(bool one_pass);
