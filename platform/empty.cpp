// Keeps platform libraries non-empty while a directory has no sources of its own.
