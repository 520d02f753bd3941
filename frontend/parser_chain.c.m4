/* Where a chain of unit rules without an action ends.  Such a reduction
   only replaces the state on top of the stack, so the state reached after
   shifting a nonterminal and reducing every such rule that the lookahead
   then triggers depends on the state below, the nonterminal and the
   lookahead alone.  Part of the parser skeleton, written in its m4.  */

/* Whether rule YYRULE has an action of its own.  */
static int
yyrule_has_action (int yyrule)
{
  switch (yyrule)
    {]m4_pushdef([b4_case], [[
    case $1:]])b4_actions[]m4_popdef([b4_case])[
      return 1;
    default:
      return 0;
    }
}

/* The state that shifting nonterminal YYSYM from state YYFROM leads to.  */
static int
yygoto_state (int yyfrom, int yysym)
{
  const int yylhs = yysym - YYNTOKENS;
  const int yyi = yypgoto[yylhs] + yyfrom;
  return (0 <= yyi && yyi <= YYLAST && yycheck[yyi] == yyfrom
          ? yytable[yyi]
          : yydefgoto[yylhs]);
}

/* The unit rule without an action that state YYSTATE reduces by on
   lookahead YYTOKEN, or 0 when it does anything else.  */
static int
yyunit_rule (int yystate, int yytoken)
{
  if (yystate == YYFINAL)
    return 0;
  int yyrule = yydefact[yystate];
  int yyn = yypact[yystate];
  if (!yypact_value_is_default (yyn))
    {
      yyn += yytoken;
      if (0 <= yyn && yyn <= YYLAST && yycheck[yyn] == yytoken)
        {
          yyn = yytable[yyn];
          if (0 < yyn || yytable_value_is_error (yyn))
            return 0;
          yyrule = -yyn;
        }
    }
  return yyrule != 0 && yyr2[yyrule] == 1 && !yyrule_has_action (yyrule)
         ? yyrule : 0;
}

/* The state reached by shifting nonterminal YYSYM from state YYFROM, then
   reducing the unit rules without an action that lookahead YYCHAR
   triggers (none while there is no lookahead).  Chain ends are remembered
   in a small direct-mapped cache; a key is never 0.  */
static int
yygoto_chain (int yyfrom, int yysym, int yychar)
{
  if (yychar == ]b4_symbol(empty, id)[)
    return yygoto_state (yyfrom, yysym);
  const int yytoken = yychar <= ]b4_symbol(eof, id)[
                      ? ]b4_symbol(eof, kind)[ : YYTRANSLATE (yychar);
  const unsigned yykey
    = ((unsigned) yyfrom * YYNNTS + (unsigned) (yysym - YYNTOKENS))
      * YYNTOKENS + (unsigned) yytoken + 1;
  static struct { unsigned key; int state; } yycache[4096];
  const unsigned yyslot = (yykey * 2654435761u) >> 20;
  if (yycache[yyslot].key == yykey)
    return yycache[yyslot].state;
  int yystate = yygoto_state (yyfrom, yysym);
  for (int yyrule; (yyrule = yyunit_rule (yystate, yytoken)) != 0;)
    yystate = yygoto_state (yyfrom, yyr1[yyrule]);
  yycache[yyslot].key = yykey;
  yycache[yyslot].state = yystate;
  return yystate;
}

