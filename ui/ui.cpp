// Handlers arrive with their windows.
