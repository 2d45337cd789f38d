// Replacing a file's whole content so that a failure never leaves it half written.
#pragma once

#include <string>

// Writes bytes to a new temporary file beside fileName and renames it over fileName once it
// is complete and flushed; every file the program and earmark-cli write goes through here.
// Nothing is removed first. A replaced file keeps its permissions (and its owner when the user
// may keep it); a symbolic link stays and the file it points to is replaced. Raises
// EFCreateError "Cannot create file "%s". %s" (with fileName) when fileName is a folder, a
// device, a FIFO or a socket, or when the file cannot be created or replaced, and
// EWriteError "Stream write error" when a write fails; on any failure the temporary file is
// removed and fileName is untouched.
void ReplaceFileContents(const std::string& fileName, const std::string& bytes);
