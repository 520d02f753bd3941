a
ASSERT x y
