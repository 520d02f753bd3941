int Int integer const
sizeof$ _int
