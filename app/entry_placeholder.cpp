// The desktop face lives here once it exists.
