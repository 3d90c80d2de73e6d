// Protects the user's own default-application settings file from being rewritten blindly.
#pragma once

// Path of the settings file GIO writes defaults into; a new string for the caller to g_free.
char *mimeapps_user_path();
// False when that file exists but cannot be read as a key file: GIO would then start from an
// empty file and replace it, losing every other default the user has.
bool mimeapps_writable_safely(const char *path);
