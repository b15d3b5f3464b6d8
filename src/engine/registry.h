// The product's registry layout and its writing.
#ifndef SETUPVDL_REGISTRY_H
#define SETUPVDL_REGISTRY_H

// Writes the fourteen rows in order; false at the first failure, with the
// rows before it left in place. Shows nothing.
bool WriteRegistry();

#endif
