// The target that owns the shared precompiled header.
