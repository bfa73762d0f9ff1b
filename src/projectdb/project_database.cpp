// Implemented with the project database.
