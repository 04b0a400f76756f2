// Database file, restore, entry statements: arrives with the data-layer work.
