# The software Direct3D 9. (Only value types so far.)
