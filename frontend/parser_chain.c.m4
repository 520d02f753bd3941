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

/* For each rule, whether it is a unit rule without an action.  */
static const struct yyunit_rule_table
{
  bool yyis[YYNRULES + 1];
  yyunit_rule_table ()
  {
    for (int yyrule = 0; yyrule <= YYNRULES; ++yyrule)
      yyis[yyrule] = yyr2[yyrule] == 1 && !yyrule_has_action (yyrule);
  }
} yyunit_rules;

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

/* The token number that stands for "no lookahead read yet".  */
#define YYNO_LOOKAHEAD YYNTOKENS

/* The unit rule without an action that state YYSTATE reduces by on
   lookahead YYTOKEN, or 0 when it does anything else.  Without a lookahead
   only a state that reduces whatever comes next can go on.  */
static int
yyunit_rule (int yystate, int yytoken)
{
  if (yystate == YYFINAL)
    return 0;
  int yyrule = yydefact[yystate];
  int yyn = yypact[yystate];
  if (!yypact_value_is_default (yyn))
    {
      if (yytoken == YYNO_LOOKAHEAD)
        return 0;
      yyn += yytoken;
      if (0 <= yyn && yyn <= YYLAST && yycheck[yyn] == yytoken)
        {
          yyn = yytable[yyn];
          if (0 < yyn || yytable_value_is_error (yyn))
            return 0;
          yyrule = -yyn;
        }
    }
  return yyunit_rules.yyis[yyrule] ? yyrule : 0;
}

/* The state reached by shifting nonterminal YYSYM from state YYFROM, then
   reducing the unit rules without an action that lookahead YYCHAR (or its
   absence) triggers.  Chain ends are remembered in a small direct-mapped
   cache; a key is never 0.  */
static int
yygoto_chain (int yyfrom, int yysym, int yychar)
{
  const int yytoken = yychar == ]b4_symbol(empty, id)[ ? YYNO_LOOKAHEAD
                      : yychar <= ]b4_symbol(eof, id)[ ? ]b4_symbol(eof, kind)[
                      : YYTRANSLATE (yychar);
  const unsigned yykey
    = ((unsigned) yyfrom * YYNNTS + (unsigned) (yysym - YYNTOKENS))
      * (YYNTOKENS + 1) + (unsigned) yytoken + 1;
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

