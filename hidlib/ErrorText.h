// The library's only user-visible texts: the factory's failure box and the
// last system error.
#pragma once

namespace ondrel {

// Message box "ParserMsg" (Windows) or the same text on the standard error.
void ShowCreateFailure();
// Shows the text of the calling thread's last system error with the caption
// "Error"; false (and nothing shown) when the system has no text for it.
bool ShowLastSystemError();

}  // namespace ondrel
