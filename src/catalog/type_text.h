// What a typed text names as a MIME type, for the add command and the command line.
#pragma once

// The MIME type text names: the text itself when it has the form type/subtype (letters, digits
// and !#$&-^_.+ on both sides of one "/", each side beginning with a letter or a digit, case
// kept), otherwise, for text without a "/", the
// type the content-type database gives a file with that extension ("png" and ".png" alike).
// NULL when the text is neither a MIME type nor an extension the database knows. A new string
// for the caller to g_free.
char *type_text_resolve(const char *text);
// True when text has the form of a MIME type, as above.
bool type_text_is_mime_type(const char *text);
