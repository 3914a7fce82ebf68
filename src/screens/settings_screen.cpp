// The settings screen.
