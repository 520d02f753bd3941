a
b /* never
closed
