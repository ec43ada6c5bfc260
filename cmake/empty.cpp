// Placeholder so that an empty subsystem still forms a library.
