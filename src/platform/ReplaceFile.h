// Replacing a file's whole content so that a failure never leaves it half written.
#pragma once

#include <string>

// Writes bytes to a new temporary file beside fileName and renames it over fileName once it
// is complete and flushed. Raises EFCreateError "Cannot create file "%s". %s" (with fileName)
// when the file cannot be created or replaced, EWriteError "Stream write error" when a write
// fails; on any failure the temporary file is removed and fileName is untouched.
void ReplaceFileContents(const std::string& fileName, const std::string& bytes);
