// The game window.
